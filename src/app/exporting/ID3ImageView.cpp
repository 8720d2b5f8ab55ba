#include "exporting/ID3ImageView.h"

#include <QApplication>
#include <QBuffer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>

#include "base/Text.h"

namespace wavomer::app {

bool isReadableImageFile(const QString& path) {
    if (!QFileInfo(path).isFile()) return false;
    return !QImageReader::imageFormat(path).isEmpty();
}

Outcome<std::vector<uint8_t>> pngFromImageFile(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) return Failure::because(reader.errorString().toStdString());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return Failure::because(Text::tr("The picture could not be converted to PNG.").toStdString());
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

ID3ImageView::ID3ImageView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("imageView"));
    setAcceptDrops(true);
    setMinimumSize(128, 128);
    setAccessibleName(Text::tr("Cover picture"));
    setToolTip(Text::tr("Drop an image file here"));
}

void ID3ImageView::setPng(const std::optional<std::vector<uint8_t>>& png) {
    png_ = png;
    image_ = png ? QImage::fromData(png->data(), static_cast<int>(png->size()), "PNG") : QImage();
    update();
}

bool ID3ImageView::acceptsDrops() const {
    return QApplication::activeModalWidget() && QApplication::activeModalWidget() == window();
}

namespace {

// The last file of a drag, as the well judges a drag by it.
QString lastDraggedFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) return {};
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty() || !urls.back().isLocalFile()) return {};
    return urls.back().toLocalFile();
}

}  // namespace

void ID3ImageView::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptsDrops() && isReadableImageFile(lastDraggedFile(event->mimeData()))) event->acceptProposedAction();
    else event->ignore();
}

void ID3ImageView::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptsDrops() && isReadableImageFile(lastDraggedFile(event->mimeData()))) event->acceptProposedAction();
    else event->ignore();
}

void ID3ImageView::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    if (!acceptsDrops()) return;
    dropFile(lastDraggedFile(event->mimeData()));
}

bool ID3ImageView::dropFile(const QString& path) {
    if (path.isEmpty() || !isReadableImageFile(path)) return false;
    Outcome<std::vector<uint8_t>> png = pngFromImageFile(path);
    if (!png) {
        emit imageRefused(path, QString::fromStdString(png.failure().why()));
        return false;
    }
    setPng(std::move(*png));
    emit imageViewDidChanged();
    return true;
}

void ID3ImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setPen(QPen(palette().color(QPalette::Mid), 1, Qt::DashLine));
    painter.drawRect(frame);
    const QRect inner = rect().adjusted(2, 2, -2, -2);
    if (image_.isNull()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(inner, Qt::AlignCenter | Qt::TextWordWrap, Text::tr("No cover picture"));
        return;
    }
    const QSize size = image_.size().scaled(inner.size(), Qt::KeepAspectRatio);
    const QRect target(inner.x() + (inner.width() - size.width()) / 2, inner.y() + (inner.height() - size.height()) / 2,
                       size.width(), size.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image_);
}

}  // namespace wavomer::app
