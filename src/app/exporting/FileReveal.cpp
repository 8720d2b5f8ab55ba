#include "exporting/FileReveal.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>

#include "util/Log.h"

namespace wavomer::app {

namespace {

UrlOpener& opener() {
    static UrlOpener current;
    return current;
}

// A file manager that is there answers at once; one that hangs must not hold the window.
constexpr int kShowItemsTimeoutMs = 5000;

}  // namespace

bool openUrlOnDesktop(const QUrl& url) {
    if (opener()) return opener()(url);
    return QDesktopServices::openUrl(url);
}

void setUrlOpener(UrlOpener replacement) { opener() = std::move(replacement); }

Revealed revealFiles(const QStringList& paths) {
    if (paths.isEmpty()) return Revealed::notAtAll;
    QStringList uris;
    for (const QString& path : paths) uris << QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
        call << uris << QString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, kShowItemsTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage) return Revealed::byFileManager;
        logLine("ShowItems: %s", reply.errorName().toUtf8().constData());
    }
    const QString folder = QFileInfo(paths.front()).absolutePath();
    return openUrlOnDesktop(QUrl::fromLocalFile(folder)) ? Revealed::byOpeningFolder : Revealed::notAtAll;
}

void openFilesOnDesktop(const QStringList& paths) {
    for (const QString& path : paths) openUrlOnDesktop(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

}  // namespace wavomer::app
