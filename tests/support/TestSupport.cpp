#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <random>
#include <stdexcept>
#include <thread>

#include "platform/Dispatch.h"
#include "platform/MimeTypes.h"

namespace fs = std::filesystem;

namespace {
std::string g_home;

std::string makeTempFolder(const char* pattern) {
    std::string templ = (fs::temp_directory_path() / pattern).string();
    if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
    return templ;
}
}  // namespace

TempDir::TempDir() : m_path(makeTempFolder("dorvane-test-XXXXXX")) {}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore write permission first: tests make unreadable folders.
    for (auto it = fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    runCommand("chmod -R u+rwx '" + m_path + "' 2>/dev/null");
    fs::remove_all(m_path, ec);
}

std::string TempDir::writeFile(const std::string& relative, const std::string& content) const {
    fs::path p = fs::path(m_path) / relative;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << content;
    return p.string();
}

std::string TempDir::writePatternFile(const std::string& relative, std::uint64_t size, std::uint32_t seed) const {
    std::string content(size, '\0');
    std::mt19937 rng(seed);
    for (auto& c : content) c = static_cast<char>(rng() & 0xff);
    return writeFile(relative, content);
}

std::string TempDir::makeFolder(const std::string& relative) const {
    fs::path p = fs::path(m_path) / relative;
    fs::create_directories(p);
    return p.string();
}

bool runMainLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout.count()) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void drainMainLoop(std::chrono::milliseconds duration) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < duration.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents();
    }
}

const std::string& testHome() { return g_home; }

int runCommand(const std::string& command, std::string* out) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::string text;
    char buffer[4096];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    int status = pclose(pipe);
    if (out) *out = std::move(text);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runTreeGenerator(const std::string& arguments) {
    if (runCommand("command -v python3 >/dev/null 2>&1") != 0) {
        ADD_FAILURE() << "python3 was not found in PATH; the test tree generator " DORVANE_MAKE_CORPUS
                         " needs it (install the python3 package: scripts/install-deps)";
        return -1;
    }
    if (!std::filesystem::exists(DORVANE_MAKE_CORPUS)) {
        ADD_FAILURE() << "the test tree generator " DORVANE_MAKE_CORPUS " is missing";
        return -1;
    }
    int status = runCommand("python3 '" DORVANE_MAKE_CORPUS "' " + arguments + " >/dev/null 2>&1");
    if (status != 0) ADD_FAILURE() << DORVANE_MAKE_CORPUS " " << arguments << " ended with status " << status;
    return status;
}

// The application object of the test process; a test folder that needs widgets defines its own.
__attribute__((weak)) std::unique_ptr<QCoreApplication> createTestApplication(int& argc, char** argv) {
    return std::make_unique<QCoreApplication>(argc, argv);
}

int main(int argc, char** argv) {
    // Never touch the real home, Trash or settings.
    g_home = makeTempFolder("dorvane-home-XXXXXX");
    setenv("HOME", g_home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (g_home + "/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", (g_home + "/.local/share").c_str(), 1);
    setenv("XDG_CACHE_HOME", (g_home + "/.cache").c_str(), 1);
    std::unique_ptr<QCoreApplication> app = createTestApplication(argc, argv);
    mime_types::loadDatabase();  // as the programs do, before any worker thread could be the first to read it
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    dispatch::shutdown();  // as the program does: no worker thread runs into the exit-time destructors
    std::error_code ec;
    fs::remove_all(g_home, ec);
    return result;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}
