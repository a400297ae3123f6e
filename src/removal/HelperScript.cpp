#include "removal/HelperScript.h"

namespace {
// `safe` is false for an entry that is a symbolic link or whose folder is reached through one (the
// folders of a scan are canonical, so `cd -P` must land on the same path).
const char* kFunctions =
    "skip() { printf 'dorvane: left alone, a symbolic link is on its way: %s\\n' \"$1\" >&2; }\n"
    "safe() { [ -L \"$1\" ] && return 1; d=${1%/*}; [ -n \"$d\" ] || d=/; "
    "[ \"$(cd -P -- \"$d\" 2>/dev/null && pwd -P)\" = \"$d\" ]; }\n"
    // relock FLAGS PATH: the flags set again on what is still there and is no link.
    "relock() { if [ -e \"$2\" ] && [ ! -L \"$2\" ]; then chattr \"$1\" -- \"$2\"; fi; }\n";

enum ListFlag { kParentAppendOnly = 16, kParentImmutable = 8, kDirectory = 4, kImmutable = 2, kAppendOnly = 1 };

// The flags of an entry (or of its folder) as chattr words: "+i", "+a", "+ia".
std::string flagWord(char sign, bool immutable, bool appendOnly) {
    std::string word(1, sign);
    if (immutable) word += 'i';
    if (appendOnly) word += 'a';
    return word;
}

// After "$p" and its folder "$d" were acted on: their flags set again (an entry only while it stays).
std::string relockLines(const HelperScriptEntry& e) {
    std::string lines;
    if (e.immutable || e.appendOnly) lines += "relock " + flagWord('+', e.immutable, e.appendOnly) + " \"$p\"\n";
    if (e.parentImmutable || e.parentAppendOnly)
        lines += "relock " + flagWord('+', e.parentImmutable, e.parentAppendOnly) + " \"$d\"\n";
    return lines;
}
}  // namespace

HelperScript HelperScript::permanent() { return HelperScript(false, {}); }

HelperScript HelperScript::toTrash(std::string trashCommand) { return HelperScript(true, std::move(trashCommand)); }

std::string HelperScript::quote(const std::string& word) {
    std::string out = "'";
    for (char c : word) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

int HelperScript::listKey(const HelperScriptEntry& e) const {
    // In the Trash a folder moves as a file does.
    return (e.isDirectory && !m_bToTrash ? kDirectory : 0) | (e.immutable ? kImmutable : 0) |
           (e.appendOnly ? kAppendOnly : 0) | (e.parentImmutable ? kParentImmutable : 0) |
           (e.parentAppendOnly ? kParentAppendOnly : 0);
}

void HelperScript::add(HelperScriptEntry entry) {
    if (entry.path.find('\n') != std::string::npos) {
        std::string& list = m_lists[listKey(entry)];
        list += entry.path;
        list += '\0';
        return;
    }
    m_inlineEntries.push_back(std::move(entry));
}

std::vector<std::string> HelperScript::lists() const {
    std::vector<std::string> out;
    for (const auto& [key, list] : m_lists) out.push_back(list);
    return out;
}

std::size_t HelperScript::blockCount() const { return (m_inlineEntries.size() + kBlockSize - 1) / kBlockSize; }

std::string HelperScript::linesFor(const HelperScriptEntry& e) const {
    std::string lines;
    // "$d" is the folder safe() has just checked.
    if (e.parentImmutable || e.parentAppendOnly)
        lines += "chattr " + flagWord('-', e.parentImmutable, e.parentAppendOnly) + " -- \"$d\"\n";
    if (e.immutable) lines += "chattr -i -- \"$p\"\n";
    if (e.appendOnly) lines += "chattr -a -- \"$p\"\n";
    if (m_bToTrash) {
        lines += "set -- \"$@\" \"$p\"\n";
    } else {
        lines += std::string(e.isDirectory ? "rm -rf" : "rm -f") + " -- \"$p\" || status=1\n";
        lines += relockLines(e);
    }
    return lines;
}

std::string HelperScript::text(const std::vector<std::string>& listPaths) const {
    std::string s = "#!/bin/sh\n"
                    "# A removal helper written by Dorvane for the copies its normal removal could not remove;\n"
                    "# deleted after its run.\n"
                    "unset CDPATH\n";
    s += kFunctions;
    s += "status=0\n";
    const std::string trashCall = "if [ $# -gt 0 ]; then " + m_sTrashCommand + " -- \"$@\" || status=1; fi\n";
    std::string relockAfterTrash;  // the block's entries whose flags were cleared
    for (std::size_t i = 0; i < m_inlineEntries.size(); ++i) {
        if (i % kBlockSize == 0) {
            s += "# block " + std::to_string(i / kBlockSize + 1) + "\n";
            if (m_bToTrash) s += "set --\n";
        }
        const HelperScriptEntry& e = m_inlineEntries[i];
        s += "p=" + quote(e.path) + "\n";
        s += "if safe \"$p\"; then\n";
        s += linesFor(e);
        s += "else skip \"$p\"; status=1; fi\n";
        if (m_bToTrash && !relockLines(e).empty())
            relockAfterTrash += "p=" + quote(e.path) + "\nif safe \"$p\"; then\n" + relockLines(e) + "fi\n";
        if (m_bToTrash && (i + 1 == m_inlineEntries.size() || (i + 1) % kBlockSize == 0)) {
            s += trashCall;
            s += relockAfterTrash;
            relockAfterTrash.clear();
        }
    }
    std::size_t index = 0;
    for (const auto& [key, list] : m_lists) {
        const std::string listFile = index < listPaths.size() ? quote(listPaths[index]) : quote("");
        ++index;
        HelperScriptEntry flags;
        flags.isDirectory = key & kDirectory;
        flags.immutable = key & kImmutable;
        flags.appendOnly = key & kAppendOnly;
        flags.parentImmutable = key & kParentImmutable;
        flags.parentAppendOnly = key & kParentAppendOnly;
        s += "# paths with a line break, NUL-separated\n";
        if (m_bToTrash) {
            // The trash command itself refuses links; only the unlocking (and the flags set again
            // afterwards) happens here.
            const std::string relock = relockLines(flags);
            if (!relock.empty()) {
                std::string unlock = kFunctions;
                unlock += "p=$1\nif safe \"$p\"; then\n" + linesFor(flags).substr(0, linesFor(flags).rfind("set --")) + "fi\n";
                s += "xargs -0 -n 1 sh -c " + quote(unlock) + " sh < " + listFile + "\n";
            }
            s += m_sTrashCommand + " --from " + listFile + " || status=1\n";
            if (!relock.empty()) {
                std::string again = kFunctions;
                again += "p=$1\nif safe \"$p\"; then\n" + relock + "fi\n";
                s += "xargs -0 -n 1 sh -c " + quote(again) + " sh < " + listFile + "\n";
            }
        } else {
            std::string body = kFunctions;
            body += "status=0\np=$1\nif safe \"$p\"; then\n";
            body += linesFor(flags);
            body += "else skip \"$p\"; status=1; fi\nexit $status\n";
            s += "xargs -0 -n 1 sh -c " + quote(body) + " sh < " + listFile + " || status=1\n";
        }
    }
    s += "exit $status\n";
    return s;
}
