#include "gui/DesktopActions.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace desktop_actions {
namespace {
std::function<void(const QUrl&)>& opener() {
    static std::function<void(const QUrl&)> replaced;
    return replaced;
}

void openUrl(const QUrl& url) {
    if (opener())
        opener()(url);
    else
        QDesktopServices::openUrl(url);
}

void openParent(const QString& path) { openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath())); }
}  // namespace

void setUrlOpener(std::function<void(const QUrl&)> replacement) { opener() = std::move(replacement); }

void open(const QString& path) { openUrl(QUrl::fromLocalFile(path)); }

void showInFolder(const QString& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (opener() || !bus.isConnected()) {
        openParent(path);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [path](QDBusPendingCallWatcher* w) {
        if (w->isError()) openParent(path);
        w->deleteLater();
    });
}

QUrl documentationUrl(const QString& section) {
    const qsizetype hash = section.indexOf(QLatin1Char('#'));
    const QString file = hash < 0 ? section : section.left(hash);
    for (const char* folder : {DORVANE_INSTALLED_DOCS, DORVANE_SOURCE_DOCS}) {
        const QString path = QString::fromUtf8(folder) + QLatin1Char('/') + file;
        if (!QFileInfo(path).isFile()) continue;
        QUrl url = QUrl::fromLocalFile(path);
        if (hash >= 0) url.setFragment(section.mid(hash + 1));
        return url;
    }
    return {};
}

void openDocumentation(const QString& section) {
    const QUrl url = documentationUrl(section);
    if (url.isValid()) openUrl(url);
}
}  // namespace desktop_actions
