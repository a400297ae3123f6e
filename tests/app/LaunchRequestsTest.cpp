// Scan requests between applications of the family: the request windows and identifiers over a
// recording bus, and the same exchange as D-Bus signals on a private bus between two connections.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QProcess>

#include <algorithm>
#include <map>

#include "app/StartScanningInLaunchedAppManager.h"
#include "platform/DBusFamilyBus.h"
#include "support/TestSupport.h"

namespace {
using namespace std::chrono_literals;
using Signal = FamilyBus::Signal;

const std::string kOwnId = "com.quellnor.TwinloreIdentifierToStartScanning";
const std::string kSiblingAId = "com.quellnor.SiblingAIdentifierToStartScanning";

// Records posts; `deliver` plays a signal to the observers of its identifier, as the bus would.
class RecordingBus : public FamilyBus {
public:
    bool isConnected() const override { return true; }
    void post(Signal signal, const std::string& identifier) override { posts.emplace_back(signal, identifier); }
    Token observe(Signal signal, const std::string& identifier, std::function<void()> seen) override {
        observers[next] = {signal, identifier, std::move(seen)};
        return next++;
    }
    void stopObserving(Token token) override { observers.erase(token); }

    void deliver(Signal signal, const std::string& identifier) {
        std::vector<std::function<void()>> calls;
        for (auto& [token, o] : observers)
            if (o.signal == signal && o.identifier == identifier) calls.push_back(o.seen);
        for (auto& call : calls) call();
    }

    struct Observer {
        Signal signal;
        std::string identifier;
        std::function<void()> seen;
    };
    std::vector<std::pair<Signal, std::string>> posts;
    std::map<Token, Observer> observers;
    Token next = 1;
};

TEST(LaunchRequests, IdentifiersByType) {
    EXPECT_EQ(StartScanningInLaunchedAppManager::startScanningIdentifierWithType(1), kSiblingAId);
    EXPECT_EQ(StartScanningInLaunchedAppManager::startScanningIdentifierWithType(2),
              "com.quellnor.SiblingBIdentifierToStartScanning");
    EXPECT_EQ(StartScanningInLaunchedAppManager::startScanningIdentifierWithType(3),
              "com.quellnor.SiblingCIdentifierToStartScanning");
    EXPECT_EQ(StartScanningInLaunchedAppManager::startScanningIdentifierWithType(4), kOwnId);
    EXPECT_EQ(StartScanningInLaunchedAppManager::startScanningIdentifierWithType(0), "");
    EXPECT_EQ(StartScanningInLaunchedAppManager::startScanningIdentifierWithType(5), "");
}

TEST(LaunchRequests, LaunchedSideAnnouncesItselfAndRunsTheBlockOnceForItsOwnAsk) {
    RecordingBus bus;
    StartScanningInLaunchedAppManager manager(bus);
    int started = 0;
    manager.startScaningBlock = [&] { ++started; };
    manager.appWithTypeDidFinishLaunching(4);
    EXPECT_EQ(manager.launchedAppType, 4);
    ASSERT_EQ(bus.posts.size(), 1u);
    EXPECT_EQ(bus.posts[0], std::make_pair(Signal::DidFinishLaunching, kOwnId));
    ASSERT_EQ(bus.observers.size(), 1u);
    EXPECT_EQ(bus.observers.begin()->second.signal, Signal::AskToStartScanning);

    // An ask for another member of the family is not seen; ours is, once.
    bus.deliver(Signal::AskToStartScanning, kSiblingAId);
    EXPECT_EQ(started, 0);
    bus.deliver(Signal::AskToStartScanning, kOwnId);
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(bus.observers.empty());
    EXPECT_EQ(manager.openObservations(), 0u);
    bus.deliver(Signal::AskToStartScanning, kOwnId);
    EXPECT_EQ(started, 1);
}

TEST(LaunchRequests, AnAskAfterTheWindowIsNotSeenAndUnknownTypesDoNothing) {
    RecordingBus bus;
    StartScanningInLaunchedAppManager manager(bus);
    manager.setRequestWindow(30ms);
    int started = 0;
    manager.startScaningBlock = [&] { ++started; };
    manager.appWithTypeDidFinishLaunching(4);
    ASSERT_EQ(manager.openObservations(), 1u);
    ASSERT_TRUE(runMainLoopUntil([&] { return manager.openObservations() == 0; }, 2000ms));
    EXPECT_TRUE(bus.observers.empty());
    bus.deliver(Signal::AskToStartScanning, kOwnId);
    EXPECT_EQ(started, 0);

    bus.posts.clear();
    manager.appWithTypeDidFinishLaunching(7);
    manager.prepareToAppLaunchingWithType(0);
    EXPECT_TRUE(bus.posts.empty());
    EXPECT_TRUE(bus.observers.empty());
    EXPECT_EQ(manager.launchedAppType, 4);
}

TEST(LaunchRequests, LaunchingSideAsksTheAppThatAnnouncedItself) {
    RecordingBus bus;
    StartScanningInLaunchedAppManager manager(bus);
    manager.prepareToAppLaunchingWithType(1);
    EXPECT_TRUE(bus.posts.empty());
    bus.deliver(Signal::DidFinishLaunching, kOwnId);  // another member launched: not the awaited one
    EXPECT_TRUE(bus.posts.empty());
    bus.deliver(Signal::DidFinishLaunching, kSiblingAId);
    ASSERT_EQ(bus.posts.size(), 1u);
    EXPECT_EQ(bus.posts[0], std::make_pair(Signal::AskToStartScanning, kSiblingAId));
    EXPECT_EQ(manager.openObservations(), 0u);
}

// A private session bus for one test: dbus-daemon on its own socket, stopped at the end.
class PrivateBus {
public:
    PrivateBus() {
        m_daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (!m_daemon.waitForStarted(5000)) return;
        for (int i = 0; i < 100 && !m_daemon.canReadLine(); ++i) m_daemon.waitForReadyRead(100);
        address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
    QString address;

private:
    QProcess m_daemon;
};

TEST(LaunchRequests, TwoApplicationsTalkOverAPrivateDBus) {
    PrivateBus bus;
    if (bus.address.isEmpty()) GTEST_SKIP() << "dbus-daemon could not be started: the D-Bus exchange is not tested";
    QDBusConnection launched = QDBusConnection::connectToBus(bus.address, QStringLiteral("launched"));
    QDBusConnection launching = QDBusConnection::connectToBus(bus.address, QStringLiteral("launching"));
    QDBusConnection stranger = QDBusConnection::connectToBus(bus.address, QStringLiteral("stranger"));
    ASSERT_TRUE(launched.isConnected() && launching.isConnected() && stranger.isConnected());
    {
        DBusFamilyBus launchedBus(launched), launchingBus(launching), strangerBus(stranger);
        StartScanningInLaunchedAppManager app(launchedBus), family(launchingBus), other(strangerBus);
        int started = 0;
        app.startScaningBlock = [&] { ++started; };

        // Two launchers wait: one for this application, one for a sibling that never announces itself.
        other.prepareToAppLaunchingWithType(2);
        family.prepareToAppLaunchingWithType(4);
        drainMainLoop(200ms);  // their match rules reach the bus before the announcement
        app.appWithTypeDidFinishLaunching(4);
        ASSERT_TRUE(runMainLoopUntil([&] { return started > 0; }, 10000ms));
        drainMainLoop(300ms);
        EXPECT_EQ(started, 1);
        EXPECT_EQ(app.openObservations(), 0u);
        EXPECT_EQ(family.openObservations(), 0u);

        // A new launch: an ask addressed to another identifier is not seen.
        app.setRequestWindow(400ms);
        app.appWithTypeDidFinishLaunching(4);
        drainMainLoop(100ms);
        strangerBus.post(Signal::AskToStartScanning, kSiblingAId);
        ASSERT_TRUE(runMainLoopUntil([&] { return app.openObservations() == 0; }, 5000ms));
        EXPECT_EQ(started, 1);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("launched"));
    QDBusConnection::disconnectFromBus(QStringLiteral("launching"));
    QDBusConnection::disconnectFromBus(QStringLiteral("stranger"));
}

TEST(LaunchRequests, WithoutASessionBusNothingHappensAndThatIsSaidOnce) {
    TempDir dir;
    QDBusConnection none =
        QDBusConnection::connectToBus(QString::fromStdString("unix:path=" + (dir / "no-bus")), QStringLiteral("none"));
    ASSERT_FALSE(none.isConnected());
    {
        DBusFamilyBus bus(none);
        StartScanningInLaunchedAppManager manager(bus);
        testing::internal::CaptureStderr();
        manager.appWithTypeDidFinishLaunching(4);
        manager.prepareToAppLaunchingWithType(1);
        manager.appWithTypeDidFinishLaunching(4);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(manager.openObservations(), 0u);
        EXPECT_NE(said.find("no D-Bus session bus"), std::string::npos) << said;
        EXPECT_EQ(said.find("no D-Bus session bus"), said.rfind("no D-Bus session bus")) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("none"));
}
}  // namespace
