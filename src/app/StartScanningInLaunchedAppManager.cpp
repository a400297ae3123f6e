#include "app/StartScanningInLaunchedAppManager.h"

#include <QTimer>

StartScanningInLaunchedAppManager& StartScanningInLaunchedAppManager::shared() {
    static auto* manager = new StartScanningInLaunchedAppManager(FamilyBus::standard());
    return *manager;
}

StartScanningInLaunchedAppManager::StartScanningInLaunchedAppManager(FamilyBus& bus) : m_bus(bus) {}

StartScanningInLaunchedAppManager::~StartScanningInLaunchedAppManager() {
    for (auto& [token, timer] : m_watches) m_bus.stopObserving(token);
}

std::string StartScanningInLaunchedAppManager::startScanningIdentifierWithType(int type) {
    switch (type) {
        case 1: return "com.quellnor.SiblingAIdentifierToStartScanning";
        case 2: return "com.quellnor.SiblingBIdentifierToStartScanning";
        case 3: return "com.quellnor.SiblingCIdentifierToStartScanning";
        case 4: return "com.quellnor.TwinloreIdentifierToStartScanning";
        default: return {};
    }
}

void StartScanningInLaunchedAppManager::appWithTypeDidFinishLaunching(int type) {
    const std::string identifier = startScanningIdentifierWithType(type);
    if (identifier.empty()) return;
    launchedAppType = type;
    watchOnce(FamilyBus::Signal::AskToStartScanning, identifier, [this] {
        if (startScaningBlock) startScaningBlock();
    });
    m_bus.post(FamilyBus::Signal::DidFinishLaunching, identifier);
}

void StartScanningInLaunchedAppManager::prepareToAppLaunchingWithType(int type) {
    const std::string identifier = startScanningIdentifierWithType(type);
    if (identifier.empty()) return;
    watchOnce(FamilyBus::Signal::DidFinishLaunching, identifier,
              [this, identifier] { m_bus.post(FamilyBus::Signal::AskToStartScanning, identifier); });
}

void StartScanningInLaunchedAppManager::watchOnce(FamilyBus::Signal signal, const std::string& identifier,
                                                  std::function<void()> seen) {
    auto token = std::make_shared<FamilyBus::Token>(0);
    *token = m_bus.observe(signal, identifier, [this, token, seen = std::move(seen)] {
        if (!m_watches.count(*token)) return;
        endWatch(*token);
        seen();
    });
    if (*token == 0) return;
    auto context = std::make_unique<QObject>();
    QTimer::singleShot(m_window, context.get(), [this, token] { endWatch(*token); });
    m_watches.emplace(*token, std::move(context));
}

void StartScanningInLaunchedAppManager::endWatch(FamilyBus::Token token) {
    auto found = m_watches.find(token);
    if (found == m_watches.end()) return;
    m_bus.stopObserving(token);
    // The timer may be the caller: its context goes once the call is over.
    found->second.release()->deleteLater();
    m_watches.erase(found);
}
