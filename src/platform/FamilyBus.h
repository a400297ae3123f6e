// Scan requests between applications of the family, as D-Bus signals on the session bus: interface
// "com.quellnor.LaunchedApp" at "/com/quellnor/LaunchedApp", signals DidFinishLaunching and
// AskToStartScanning, each with the identifier (a string) as its one argument. Without a session bus
// nothing is posted or observed, and that is said once on standard error. Main thread only; observers
// are called on the main thread. FamilyBus::standard() may be replaced in tests.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class FamilyBus {
public:
    enum class Signal { DidFinishLaunching, AskToStartScanning };
    using Token = std::uint64_t;  // 0: nothing is observed

    static constexpr const char* kInterface = "com.quellnor.LaunchedApp";
    static constexpr const char* kPath = "/com/quellnor/LaunchedApp";
    static const char* memberName(Signal signal);  // "DidFinishLaunching", "AskToStartScanning"

    virtual ~FamilyBus() = default;
    virtual bool isConnected() const = 0;
    virtual void post(Signal signal, const std::string& identifier) = 0;
    // `seen` runs for each such signal whose argument is exactly `identifier`, until stopObserving.
    virtual Token observe(Signal signal, const std::string& identifier, std::function<void()> seen) = 0;
    // May be called from inside `seen`.
    virtual void stopObserving(Token token) = 0;

    static FamilyBus& standard();
    // nullptr brings the session bus back.
    static void setStandard(std::shared_ptr<FamilyBus> bus);
};
