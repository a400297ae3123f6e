// Helpers for the test executables: a temporary folder that builds real file trees, a main loop
// runner, and the shared main() that points HOME and the XDG folders at a private temporary folder.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

    // Creates the file (and its folders) with the given content; returns its full path.
    std::string writeFile(const std::string& relative, const std::string& content) const;
    // Creates a file of `size` bytes filled from `seed` (same seed and size, same bytes).
    std::string writePatternFile(const std::string& relative, std::uint64_t size, std::uint32_t seed) const;
    std::string makeFolder(const std::string& relative) const;

private:
    std::string m_path;
};

// The file's bytes ("" when it cannot be read).
std::string readText(const std::string& path);

// Runs the Qt event loop until the predicate holds or the timeout passes; answers the predicate.
bool runMainLoopUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(20000));
// Runs the event loop for a short while, so that queued main-queue work is done.
void drainMainLoop(std::chrono::milliseconds duration = std::chrono::milliseconds(50));

class QCoreApplication;
// Creates the application object before the tests run: a QCoreApplication unless the test executable
// defines this function itself (the widget tests create an offscreen QApplication).
std::unique_ptr<QCoreApplication> createTestApplication(int& argc, char** argv);

// The private home of this test process (HOME and the XDG folders live below it).
const std::string& testHome();
// Runs a command through /bin/sh; answers its exit status, output in *out when given.
int runCommand(const std::string& command, std::string* out = nullptr);
// Runs the project's tree generator (tests/tools/make-tree) with `arguments`, already quoted for the
// shell, its output discarded; answers its exit status. Adds a test failure that names what is
// missing when python3 or the generator cannot be found.
int runTreeGenerator(const std::string& arguments);
