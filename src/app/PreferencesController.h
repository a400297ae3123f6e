// What the Preferences window reads and writes: every setting a person can change, each saved at once
// through the typed accessors of the settings in use (Settings::standard() at the time of the call),
// with typed values and folder lists checked first; a refused change says why and changes nothing.
// Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Settings;

enum class MinimalSizeMode { Automatic, Zero, Value };
enum class PreferenceList { ExcludeFolders, ExcludeExtensions, AlwaysSelect, NeverSelect };

// The outcome of a change. Refused: `message` (and `informativeText`) say why. `needsMove`: the folder is
// in the other selection list; the question is in the texts and moveToList() carries it out.
struct PreferenceChange {
    bool ok = false;
    bool needsMove = false;
    std::string message;
    std::string informativeText;
    explicit operator bool() const { return ok; }
};

// One message that has a "do not show again" box, and the setting that remembers the box.
struct PreferenceMessage {
    const char* title;
    bool (Settings::*shown)() const;
    void (Settings::*setShown)(bool);
};

class PreferencesController {
public:
    // Scan.
    MinimalSizeMode minimalSizeMode() const;
    void setMinimalSizeMode(MinimalSizeMode mode);
    std::uint64_t minimalSize() const;
    // The stored minimal size as one types it: "1M", "512K", or bytes when no unit divides it.
    std::string minimalSizeText() const;
    // Takes "1048576", "10K", "1.5 MiB" …; saves the value and chooses the Value mode.
    PreferenceChange setMinimalSizeText(const std::string& text);
    bool scanHiddenFiles() const;
    void setScanHiddenFiles(bool value);
    bool fullScaleScan() const;
    void setFullScaleScan(bool value);
    void restoreScanDefaults();

    // The four lists: folders left out of the scan, name endings left out, Always and Never Select.
    static const char* listTitle(PreferenceList list);
    static bool holdsFolders(PreferenceList list) { return list != PreferenceList::ExcludeExtensions; }
    std::vector<std::string> entries(PreferenceList list) const;
    // A folder must be a full path ("~/" counts) of an existing folder, and is kept lexically normal; an
    // ending gets its leading ".". Neither may be in the list already (endings compared without case).
    PreferenceChange addEntry(PreferenceList list, const std::string& text);
    // Confirms a needsMove answer: takes the folder out of the other selection list and adds it to `list`.
    PreferenceChange moveToList(PreferenceList list, const std::string& folder);
    // Removes the entries at these rows (rows out of range are refused, nothing removed).
    PreferenceChange removeEntries(PreferenceList list, const std::vector<std::size_t>& rows);
    void restoreDefaults(PreferenceList list);

    // Selection and removal.
    bool allowRemovingAllCopies() const;
    void setAllowRemovingAllCopies(bool value);
    bool removeToTrash() const;
    void setRemoveToTrash(bool value);
    bool removeEmptyFolders() const;
    void setRemoveEmptyFolders(bool value);
    bool checkBeforeRemoving() const;
    void setCheckBeforeRemoving(bool value);
    bool keepHistory() const;
    void setKeepHistory(bool value);

    // Messages: true shows the message again next time.
    static const std::vector<PreferenceMessage>& messages();
    bool showsMessage(std::size_t index) const;
    void setShowsMessage(std::size_t index, bool shown);
    void showAllMessagesAgain();

    // The text people type for a folder list entry, made lexically normal; empty when it is no full path.
    static std::string normalFolder(const std::string& text);
    static std::string compactSizeText(std::uint64_t bytes);
    // A folder as the lists show it: the home folder written "~".
    static std::string displayFolder(const std::string& folder);

private:
    void store(PreferenceList list, const std::vector<std::string>& entries);
};
