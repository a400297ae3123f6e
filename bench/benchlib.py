"""Shared pieces of the benchmark scripts: timing a command with its peak memory, dropping the page
cache, running Dorvane beside jdupes and rdfind (interleaved, best of N), and checking that the groups
of a full-hash scan equal jdupes' sets split by Dorvane's file kinds. Python 3 standard library only.
"""
import base64
import collections
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

DEVNULL = subprocess.DEVNULL


TIME = "/usr/bin/time"


def timed(cmd, env=None, cwd=None, ok=(0,), stdout=DEVNULL):
    """Runs cmd; answers (seconds, peak resident KiB of that process). The peak comes from GNU time's %M
    (the figure `/usr/bin/time -v` shows): a process started straight from Python inherits Python's own
    peak (about 14 MiB) in its ru_maxrss, since the count survives exec. Without /usr/bin/time, wait4's
    ru_maxrss is taken as it is."""
    with tempfile.NamedTemporaryFile(prefix="dorvane-bench-rss-", mode="r") as rss:
        wrapped = [TIME, "-f", "%M", "-o", rss.name, *cmd] if os.access(TIME, os.X_OK) else cmd
        start = time.perf_counter()
        p = subprocess.Popen(wrapped, stdout=stdout, stderr=DEVNULL, env=env, cwd=cwd)
        _, status, usage = os.wait4(p.pid, 0)
        seconds = time.perf_counter() - start
        code = os.waitstatus_to_exitcode(status)
        if code not in ok:
            sys.exit("benchmark command failed (%d): %s" % (code, " ".join(cmd)))
        lines = rss.read().split()
        peak = int(lines[-1]) if wrapped is not cmd and lines and lines[-1].isdigit() else usage.ru_maxrss
    return seconds, peak


def cold_cache_unavailable():
    """Why the page cache cannot be dropped here, or None when it can."""
    if os.geteuid() != 0:
        return "not root"
    if not os.access("/proc/sys/vm/drop_caches", os.W_OK):
        return "/proc/sys/vm/drop_caches is not writable"
    return None


def drop_caches():
    """Writes every dirty page out, then empties the page, dentry and inode caches (root only)."""
    os.sync()
    with open("/proc/sys/vm/drop_caches", "w") as f:
        f.write("3\n")


def ensure_peers():
    """Installs jdupes and rdfind from Debian when missing; False when they are missing and cannot be."""
    missing = [p for p in ("jdupes", "rdfind") if not shutil.which(p)]
    if not missing:
        return True
    if os.geteuid() != 0:
        print("peers: %s missing and not root: install them to compare" % " ".join(missing))
        return False
    subprocess.run(["apt-get", "install", "-y", "-q", *missing], stdout=DEVNULL, check=True)
    return True


class Scratch:
    """A temporary folder with Dorvane's private settings and digest cache, so that neither the user's
    settings nor digests kept from earlier runs can change what is measured."""

    def __init__(self, prefix, settings=()):
        self.path = tempfile.mkdtemp(prefix=prefix)
        self.cache = os.path.join(self.path, "cache")
        self.env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.path, "config"), XDG_CACHE_HOME=self.cache)
        self.settings = settings

    def configure(self, dorvane):
        for name, value in self.settings:
            subprocess.run([dorvane, "settings", "set", name, value], env=self.env, check=True, stdout=DEVNULL)
        return self

    def forget_digests(self):
        shutil.rmtree(self.cache, ignore_errors=True)

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


def peer_commands(dorvane, tree, cold=False, full_cold=False):
    """The commands timed on one tree, in the order they run. A name without ", rescan" is a first scan of
    Dorvane: its digest cache is removed before every run."""
    scan = [dorvane, "scan", "-q", "--format", "json", "-o", os.devnull]
    jdupes = ["jdupes", "-r", "-q", tree]
    rdfind = ["rdfind", "-dryrun", "true", "-makeresultsfile", "false", tree]
    find = ["find", tree, "-type", "f", "-printf", "%s\n"]
    if cold:
        commands = {"find": find, "dorvane": scan + [tree]}
        if full_cold:
            commands["dorvane --full"] = scan + ["--full", tree]
        commands.update({"jdupes -r": jdupes, "rdfind": rdfind})
        return commands
    return {
        "find": find,
        "dorvane": scan + [tree],
        "dorvane, rescan": scan + [tree],
        "dorvane --no-folders": scan + ["--no-folders", tree],
        "dorvane --full": scan + ["--full", tree],
        "dorvane --full, rescan": scan + ["--full", tree],
        "dorvane --full, files only": scan + ["--full", "--all-sizes", "--no-folders", tree],
        "jdupes -r": jdupes,
        "rdfind": rdfind,
    }


def compare_peers(dorvane, tree, runs, cold=False, full_cold=False, label=None, names=None):
    """Times the peer commands on tree (those in names, when given), interleaved (a noisy moment hits every
    tool alike), best of runs; cold: the page cache is dropped before each run. Prints a table and answers
    {name: (seconds, peak MiB)}."""
    scratch = Scratch("dorvane-peers-")
    tree = os.path.abspath(tree)
    commands = peer_commands(dorvane, tree, cold, full_cold)
    if names:
        commands = {name: cmd for name, cmd in commands.items() if name in names}
    best = {name: (float("inf"), 0.0) for name in commands}
    if not cold:
        subprocess.run(commands["find"], stdout=DEVNULL, stderr=DEVNULL)  # warm the folder cache
    for _ in range(runs):
        for name, cmd in commands.items():
            if name.startswith("dorvane") and "rescan" not in name:
                scratch.forget_digests()
            if cold:
                drop_caches()
            # jdupes answers 1 when it found nothing to do on some trees
            seconds, rss = timed(cmd, env=scratch.env, cwd=scratch.path, ok=(0, 1))
            if seconds < best[name][0]:
                best[name] = (seconds, rss / 1024)
    scratch.remove()
    jdupes, rdfind = best["jdupes -r"][0], best["rdfind"][0]
    print("peers on %s (best of %d, %s cache)" % (label or tree, runs, "cold" if cold else "warm"))
    print("  %-28s %8s %9s %10s %10s" % ("tool", "seconds", "peak MiB", "/ jdupes", "/ rdfind"))
    for name, (seconds, rss) in best.items():
        print("  %-28s %8.3f %9.1f %10.2f %10.2f" % (name, seconds, rss, seconds / jdupes, seconds / rdfind))
    sys.stdout.flush()
    return best


# ---------------------------------------------------------------------------------------------------
# The groups of a full-hash scan against jdupes' sets.

def path_extension(name):
    """The extension of the last component as the scan sees it (bytes): after the last dot, unless the
    dot leads the name or ends it; None when there is none."""
    name = name.rsplit(b"/", 1)[-1]
    dot = name.rfind(b".")
    if dot <= 0 or dot + 1 == len(name):
        return None
    return name[dot + 1:]


def report_groups(path):
    """The groups of a JSON report: {kind: [frozenset of paths as bytes]}, with the groups of empty files
    apart (kind "empty")."""
    with open(path, encoding="utf-8") as f:
        report = json.load(f)
    groups = collections.defaultdict(list)
    for category in report["categories"]:
        for g in category["groups"]:
            members = frozenset(base64.b64decode(m["path_bytes"]) if "path_bytes" in m else m["path"].encode()
                                for m in g["members"])
            groups["empty" if g["copy_size"] == 0 else category["kind"]].append(members)
    return groups, report["scan"]


def kinds_of_extensions(dorvane, scratch, extensions):
    """Asks Dorvane itself which kind each extension is: a probe tree holds two equal files per extension
    (their bytes differ from every other pair), and a full-hash scan files each pair under its kind.
    Answers {extension or None: kind}; an extension too long for a file name is left out."""
    probe = os.path.join(scratch.path, "probe")
    os.makedirs(probe)
    names = {}
    for i, ext in enumerate(sorted(extensions, key=lambda e: e or b"")):
        stem = b"p%d" % i
        if ext is not None and len(ext) > 200:
            continue
        for copy in (b"a", b"b"):
            name = stem + copy + (b"." + ext if ext is not None else b"")
            with open(os.path.join(os.fsencode(probe), name), "wb") as f:
                f.write(b"kind probe %d\n" % i)
            names[os.fsencode(probe) + b"/" + name] = ext
    report = os.path.join(scratch.path, "probe.json")
    subprocess.run([dorvane, "scan", "-q", "--full", "--all-sizes", "--no-folders", "--hidden", "--no-cache",
                    "--format", "json", "-o", report, probe], env=scratch.env, check=True, stdout=DEVNULL)
    kinds = {}
    for kind, sets in report_groups(report)[0].items():
        for members in sets:
            for path in members:
                kinds[names[path]] = kind
    shutil.rmtree(probe)
    return kinds


def jdupes_sets(tree):
    """jdupes' sets on tree: recursive, hard links counted as duplicates (-H: the scan groups every name of
    a file), zero-length files left out (its default), one NUL after each path and one more after each set."""
    out = subprocess.run(["jdupes", "-r", "-q", "-H", "-0", tree], capture_output=True, check=False).stdout
    if not out:
        return []
    return [frozenset(s.split(b"\0")) for s in out.rstrip(b"\0").split(b"\0\0")]


# Settings of the check's private folder: every file of the tree takes part, as it does for jdupes.
CHECK_SETTINGS = (("exclude-extensions", "[]"), ("exclude-folders", "[]"), ("exclude-files", "[]"),
                  ("skip-backups", "false"), ("skip-system-folders", "false"))


BOOKKEEPING_NAMES = {b".DS_Store", b"Thumbs.db", b".localized"}


def check_groups(dorvane, tree, label=None):
    """Compares `dorvane scan --full --all-sizes --no-folders --hidden` (no exclusion lists, no digest
    cache) with `jdupes -r -H` on tree. jdupes groups equal bytes of any kind and leaves empty files out;
    the scan splits a set by kind, groups empty files by name and never reports a set of names of one file.
    So each jdupes set is split by the kind the scan gives each path's extension, and a part counts when it
    holds at least two different files (device and inode); the scan's groups of empty files are set aside,
    and so are the bookkeeping files (.DS_Store, Thumbs.db, .localized) that the scan never compares.
    Prints the result; answers True when both sides hold exactly the same sets."""
    scratch = Scratch("dorvane-check-", CHECK_SETTINGS).configure(dorvane)
    tree = os.path.abspath(tree)
    report = os.path.join(scratch.path, "report.json")
    subprocess.run([dorvane, "scan", "-q", "--full", "--all-sizes", "--no-folders", "--hidden", "--no-cache",
                    "--format", "json", "-o", report, tree], env=scratch.env, check=True, stdout=DEVNULL)
    ours_by_kind, scan = report_groups(report)
    empty_groups = len(ours_by_kind.pop("empty", []))
    ours = collections.Counter(g for sets in ours_by_kind.values() for g in sets)

    raw = jdupes_sets(tree)
    # Bookkeeping files of file managers are never compared by the scan.
    junk = sum(1 for s in raw for p in s if os.path.basename(p) in BOOKKEEPING_NAMES)
    raw = [frozenset(p for p in s if os.path.basename(p) not in BOOKKEEPING_NAMES) for s in raw]
    kinds = kinds_of_extensions(dorvane, scratch, {path_extension(p) for s in raw for p in s})
    theirs = collections.Counter()
    single_file_parts = 0
    for s in raw:
        parts = collections.defaultdict(set)
        for p in s:
            parts[kinds.get(path_extension(p), "unknown extension")].add(p)
        for part in parts.values():
            if len(part) < 2:
                continue
            files = {(st.st_dev, st.st_ino) for st in map(os.lstat, part)}
            if len(files) < 2:
                single_file_parts += 1
                continue
            theirs[frozenset(part)] += 1
    scratch.remove()

    only_ours, only_theirs = ours - theirs, theirs - ours
    name = label or tree
    print("check on %s: dorvane --full --all-sizes --hidden: %d groups of %d files (%d files scanned; groups of "
          "empty files set aside: %d); jdupes -r -H: %d sets, %d after splitting by kind (parts of one file "
          "set aside: %d, bookkeeping files left out: %d)" % (name, sum(ours.values()), sum(len(g) * n for g, n in ours.items()), scan["files_scanned"],
                          empty_groups, len(raw), sum(theirs.values()), single_file_parts, junk))
    if not only_ours and not only_theirs:
        print("  groups identical")
        sys.stdout.flush()
        return True
    print("  groups DIFFER: %d only in dorvane, %d only in jdupes; the first ones:"
          % (sum(only_ours.values()), sum(only_theirs.values())))
    for side, extra in (("dorvane", only_ours), ("jdupes", only_theirs)):
        for g in sorted(extra, key=sorted)[:5]:
            print("  only in %s:" % side)
            for p in sorted(g)[:6]:
                print("    %s" % os.fsdecode(p))
            if len(g) > 6:
                print("    ... %d more" % (len(g) - 6))
    sys.stdout.flush()
    return False
