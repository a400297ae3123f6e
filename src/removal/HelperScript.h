// The text of a removal helper's shell script: permanent removal (`rm`) or a move to the Trash through
// `dorvane trash`, unlock lines (`chattr -i`, `chattr -a`) for the entries, and the parent folders, that
// carry those flags, set again afterwards on a parent and on an entry still in place, no
// symbolic link followed (an entry that is one, or whose folder is reached through one, is left alone and
// named on stderr), paths in blocks of at most kBlockSize, and the paths holding a line break passed
// through NUL-separated list files. Plain value; any thread.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

struct HelperScriptEntry {
    std::string path;  // absolute
    bool isDirectory = false;
    bool immutable = false;
    bool appendOnly = false;
    bool parentImmutable = false;   // its folder's flags: removing from it needs them cleared
    bool parentAppendOnly = false;
};

class HelperScript {
public:
    static constexpr std::size_t kBlockSize = 10000;

    static HelperScript permanent();
    // `trashCommand`: the words of the command that moves the paths given after it to the Trash, each
    // already quoted for sh (`'/usr/bin/dorvane' trash --print0`).
    static HelperScript toTrash(std::string trashCommand);

    // In the order of removal.
    void add(HelperScriptEntry entry);
    // The lists of the paths that cannot be written into the text (a line break in them), NUL-separated,
    // each to be written to a file before text() is made.
    std::vector<std::string> lists() const;
    // The script; `listPaths[i]` holds lists()[i].
    std::string text(const std::vector<std::string>& listPaths) const;
    // Blocks of the text (at most kBlockSize paths each); the lists come after them.
    std::size_t blockCount() const;
    std::size_t inlineCount() const { return m_inlineEntries.size(); }

    // One word for sh: between single quotes, each ' written as '\''.
    static std::string quote(const std::string& word);

private:
    HelperScript(bool toTrash, std::string trashCommand) : m_bToTrash(toTrash), m_sTrashCommand(std::move(trashCommand)) {}
    // The lines acting on "$p": its unlock lines and its folder's, then its removal (for good: followed
    // by the flags set again) or its place in the Trash list.
    std::string linesFor(const HelperScriptEntry& entry) const;
    int listKey(const HelperScriptEntry& entry) const;

    bool m_bToTrash;
    std::string m_sTrashCommand;
    std::vector<HelperScriptEntry> m_inlineEntries;
    std::map<int, std::string> m_lists;  // key: what the list's paths need (listKey)
};
