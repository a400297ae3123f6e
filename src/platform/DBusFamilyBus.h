// FamilyBus over one QtDBus connection: the session bus by default, or any connection (tests use a
// private bus). Main thread only.
#pragma once

#include <QDBusConnection>

#include <map>
#include <memory>

#include "platform/FamilyBus.h"

class FamilySignalReceiver;

class DBusFamilyBus : public FamilyBus {
public:
    DBusFamilyBus();  // the session bus
    explicit DBusFamilyBus(QDBusConnection connection);
    ~DBusFamilyBus() override;

    bool isConnected() const override;
    void post(Signal signal, const std::string& identifier) override;
    Token observe(Signal signal, const std::string& identifier, std::function<void()> seen) override;
    void stopObserving(Token token) override;

private:
    // Says once that there is no bus; answers whether there is one.
    bool usable();

    QDBusConnection m_connection;
    bool m_bToldUnavailable = false;
    Token m_nNextToken = 1;
    std::map<Token, FamilySignalReceiver*> m_receivers;  // deleted later: a receiver may be in its call
};
