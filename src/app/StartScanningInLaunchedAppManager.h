// Scan requests between applications of the family. Launched side: at every launch this application
// listens for five seconds for an ask to start scanning addressed to its own identifier, and announces
// that it finished launching; an ask in time runs startScaningBlock once. Launching side: before another
// application of the family is launched, wait five seconds for its announcement and then ask it to
// start scanning. Carried by FamilyBus (D-Bus signals); main thread only.
#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/FamilyBus.h"

class StartScanningInLaunchedAppManager {
public:
    static constexpr int kThisAppType = 4;
    static constexpr std::chrono::milliseconds kRequestWindow{5000};

    // On FamilyBus::standard().
    static StartScanningInLaunchedAppManager& shared();
    explicit StartScanningInLaunchedAppManager(FamilyBus& bus);
    ~StartScanningInLaunchedAppManager();
    StartScanningInLaunchedAppManager(const StartScanningInLaunchedAppManager&) = delete;
    StartScanningInLaunchedAppManager& operator=(const StartScanningInLaunchedAppManager&) = delete;

    // Types 1 to 4; empty for any other type, for which nothing is observed or posted.
    static std::string startScanningIdentifierWithType(int type);

    void appWithTypeDidFinishLaunching(int type);
    void prepareToAppLaunchingWithType(int type);
    // Tests shorten the five seconds.
    void setRequestWindow(std::chrono::milliseconds window) { m_window = window; }
    // Observations still open (each ends when its signal comes or its time is up).
    std::size_t openObservations() const { return m_watches.size(); }

    std::function<void()> startScaningBlock;
    int launchedAppType = 0;

private:
    // Observes for the request window; `seen` runs once, after the observation has ended.
    void watchOnce(FamilyBus::Signal signal, const std::string& identifier, std::function<void()> seen);
    void endWatch(FamilyBus::Token token);

    FamilyBus& m_bus;
    std::chrono::milliseconds m_window = kRequestWindow;
    std::map<FamilyBus::Token, std::unique_ptr<QObject>> m_watches;  // each holds its timer
};
