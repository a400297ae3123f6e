// Whether one copy or move can be carried out, asked of the file system before anything is touched:
// the source is there, the destination's folder is there and writable, the destination's name is
// free, neither disk is read-only, and (for the bytes that land on the destination's disk) whether it
// has room. Plain value; built on any thread through the platform seams.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Status.h"

enum class ImplementabilityResult {
    PossibleWithNormalPrivileges,
    PossibleWithAdministratorPrivileges,  // a folder that must change is not writable for the user
    SourceMissing,
    DestinationParentMissing,
    DestinationTaken,
    SourceReadOnlyDisk,
    DestinationReadOnlyDisk,
    NotEnoughFreeSpace,
};

class OperationImplementability {
public:
    static OperationImplementability forCopy(const std::string& source, const std::string& destination);
    // A move also needs a writable folder and disk on the source's side.
    static OperationImplementability forMove(const std::string& source, const std::string& destination);

    ImplementabilityResult result() const { return m_eResult; }
    bool isPossible() const { return m_eResult == ImplementabilityResult::PossibleWithNormalPrivileges; }
    // The failure to report when the operation is not possible (the path it concerns, an errno-style code).
    Status status() const;
    std::string reason() const;
    // Bytes the operation writes on the destination's disk (0 for a rename within one file system).
    std::uint64_t bytesOnDestination() const { return m_nBytesOnDestination; }
    // Logical bytes of the source (the whole tree for a folder), for progress.
    std::uint64_t sourceSize() const { return m_nSourceSize; }
    std::uint64_t destinationDevice() const { return m_nDestinationDevice; }
    const std::string& destinationParent() const { return m_sDestinationParent; }

    // Marks the operation as refused for want of room on its destination's disk.
    void setNotEnoughFreeSpace() { m_eResult = ImplementabilityResult::NotEnoughFreeSpace; }

private:
    static OperationImplementability check(const std::string& source, const std::string& destination, bool move);

    ImplementabilityResult m_eResult = ImplementabilityResult::PossibleWithNormalPrivileges;
    std::string m_sPath;  // the entry the result concerns
    std::uint64_t m_nBytesOnDestination = 0;
    std::uint64_t m_nSourceSize = 0;
    std::uint64_t m_nDestinationDevice = 0;
    std::string m_sDestinationParent;
};
