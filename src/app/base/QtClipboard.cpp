#include "base/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace wavomer::app {

QString QtClipboard::mimeTypeFor(const std::string& type) {
    return QStringLiteral("application/x-wavomer-") + QString::fromStdString(type);
}

void QtClipboard::clearAndSet(const std::string& type, const std::vector<uint8_t>& data) {
    auto* mime = new QMimeData;
    mime->setData(mimeTypeFor(type), QByteArray(reinterpret_cast<const char*>(data.data()),
                                                static_cast<qsizetype>(data.size())));
    QGuiApplication::clipboard()->setMimeData(mime);
}

bool QtClipboard::hasType(const std::string& type) const {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && mime->hasFormat(mimeTypeFor(type));
}

std::optional<std::vector<uint8_t>> QtClipboard::dataForType(const std::string& type) const {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime || !mime->hasFormat(mimeTypeFor(type))) return std::nullopt;
    const QByteArray bytes = mime->data(mimeTypeFor(type));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace wavomer::app
