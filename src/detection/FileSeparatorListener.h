// The listener of one FileSeparator run: called once, on the queue "fileseparator.working", when the
// separation ends (onFinishSeparateItemsByHash for separateItems, onFinishSeparateBuckets for
// separateBuckets). A listener that needs its own queue re-dispatches from there.
#pragma once

#include <unordered_map>
#include <vector>

#include "detection/SetKey.h"

class FileSystemItem;

// Digest key → the files with that key, in the order of the list given. Sets of one file are
// included. A key is 32 lower-case hexadecimal MD5 digits (partial or whole-file digest), or, for an
// empty file, its file name followed by ":#filename#". Files whose content could not be read are in
// no set. The items stay owned by their tree.
using FileItemsByHash = std::unordered_map<SetKey, std::vector<FileSystemItem*>>;

class FileSeparatorListener {
public:
    virtual ~FileSeparatorListener() = default;

    // The result of the separation; empty when the list had fewer than two files or was stopped.
    virtual void onFinishSeparateItemsByHash(FileItemsByHash result) = 0;
    // One result per list, in the order given, each empty when its list had fewer than two files or the
    // run was stopped. By default each is passed on to onFinishSeparateItemsByHash in turn.
    virtual void onFinishSeparateBuckets(std::vector<FileItemsByHash> results) {
        for (auto& result : results) onFinishSeparateItemsByHash(std::move(result));
    }

protected:
    FileSeparatorListener() = default;
    FileSeparatorListener(const FileSeparatorListener&) = default;
    FileSeparatorListener& operator=(const FileSeparatorListener&) = default;
};
