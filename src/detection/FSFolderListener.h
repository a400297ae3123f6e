// Observes one folder of the folder browser; called later on the main thread after its counts changed.
#pragma once

class FSFolder;

class FSFolderListener {
public:
    virtual ~FSFolderListener() = default;
    virtual void onFolderInfoChanged(FSFolder& folder) = 0;
};
