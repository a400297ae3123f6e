#include "platform/DBusFamilyBus.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QObject>

#include <cerrno>
#include <cstdio>

#include "platform/ReplaceableInstance.h"

// Receives the signals of one observation. QtDBus only calls slots known to the meta-object system,
// so this one class has Q_OBJECT and QtDBus's own string-based connect.
class FamilySignalReceiver : public QObject {
    Q_OBJECT
public:
    FamilySignalReceiver(FamilyBus::Signal signal, QString identifier, std::function<void()> seen)
        : m_signal(signal), m_identifier(std::move(identifier)), m_seen(std::move(seen)) {}
    void disable() { m_seen = nullptr; }
    FamilyBus::Signal signal() const { return m_signal; }
    const QString& identifier() const { return m_identifier; }

public Q_SLOTS:
    void onSignal(const QDBusMessage& message) {
        const QList<QVariant> arguments = message.arguments();
        if (arguments.size() != 1 || arguments.front().toString() != m_identifier || !m_seen) return;
        auto seen = m_seen;  // the call may end the observation
        seen();
    }

private:
    FamilyBus::Signal m_signal;
    QString m_identifier;
    std::function<void()> m_seen;
};

namespace {
ReplaceableInstance<FamilyBus, DBusFamilyBus>& instance() {
    return ReplaceableInstance<FamilyBus, DBusFamilyBus>::shared();
}
}  // namespace

const char* FamilyBus::memberName(Signal signal) {
    return signal == Signal::DidFinishLaunching ? "DidFinishLaunching" : "AskToStartScanning";
}

FamilyBus& FamilyBus::standard() { return instance().get(); }

void FamilyBus::setStandard(std::shared_ptr<FamilyBus> bus) { instance().replace(std::move(bus)); }

DBusFamilyBus::DBusFamilyBus() : DBusFamilyBus(QDBusConnection::sessionBus()) {}

DBusFamilyBus::DBusFamilyBus(QDBusConnection connection) : m_connection(std::move(connection)) {}

DBusFamilyBus::~DBusFamilyBus() {
    for (auto& [token, receiver] : m_receivers) delete receiver;
}

bool DBusFamilyBus::isConnected() const { return m_connection.isConnected(); }

bool DBusFamilyBus::usable() {
    if (m_connection.isConnected()) return true;
    if (!m_bToldUnavailable) {
        m_bToldUnavailable = true;
        QString reason = m_connection.lastError().message();
        if (reason.isEmpty()) reason = QStringLiteral("no address");
        std::fprintf(stderr,
                     "%s: no D-Bus session bus (%s); scan requests from other applications are not received\n",
                     program_invocation_short_name, reason.toLocal8Bit().constData());
    }
    return false;
}

void DBusFamilyBus::post(Signal signal, const std::string& identifier) {
    if (!usable()) return;
    QDBusMessage message = QDBusMessage::createSignal(QString::fromUtf8(kPath), QString::fromUtf8(kInterface),
                                                      QString::fromUtf8(memberName(signal)));
    message << QString::fromStdString(identifier);
    m_connection.send(message);
}

FamilyBus::Token DBusFamilyBus::observe(Signal signal, const std::string& identifier, std::function<void()> seen) {
    if (!usable()) return 0;
    const QString id = QString::fromStdString(identifier);
    auto* receiver = new FamilySignalReceiver(signal, id, std::move(seen));
    // The bus itself leaves out signals for other identifiers (arg0 match); the receiver checks again.
    const bool connected = m_connection.connect(QString(), QString::fromUtf8(kPath), QString::fromUtf8(kInterface),
                                                QString::fromUtf8(memberName(signal)), QStringList{id},
                                                QStringLiteral("s"), receiver, SLOT(onSignal(QDBusMessage)));
    if (!connected) {
        std::fprintf(stderr, "%s: cannot observe %s on D-Bus: %s\n", program_invocation_short_name,
                     memberName(signal), m_connection.lastError().message().toLocal8Bit().constData());
        delete receiver;
        return 0;
    }
    const Token token = m_nNextToken++;
    m_receivers.emplace(token, receiver);
    return token;
}

void DBusFamilyBus::stopObserving(Token token) {
    auto found = m_receivers.find(token);
    if (found == m_receivers.end()) return;
    FamilySignalReceiver* receiver = found->second;
    m_receivers.erase(found);
    receiver->disable();
    m_connection.disconnect(QString(), QString::fromUtf8(kPath), QString::fromUtf8(kInterface),
                            QString::fromUtf8(memberName(receiver->signal())), QStringList{receiver->identifier()},
                            QStringLiteral("s"), receiver, SLOT(onSignal(QDBusMessage)));
    receiver->deleteLater();
}

#include "DBusFamilyBus.moc"
