// ID3ImageView: the tag dialog's image well. It draws its background and the cover
// picture inset by 2 pixels, and takes a dropped file only while its window is the
// application's modal window and the file is an image Qt can read; such a drop becomes
// the cover (as PNG) and is reported. A drop of anything else changes nothing; an image
// file that cannot be decoded is refused with a message.
//
// Also here: loading any image Qt can read as the PNG data the tag set keeps.
//
// Threads: main thread.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "util/Outcome.h"

namespace wavomer::app {

// The file as PNG data, or the reader's reason when it is no readable image.
Outcome<std::vector<uint8_t>> pngFromImageFile(const QString& path);
// True when Qt recognises the file's content as an image format it reads.
bool isReadableImageFile(const QString& path);

class ID3ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ID3ImageView(QWidget* parent = nullptr);

    // The shown picture from PNG data; none clears it.
    void setPng(const std::optional<std::vector<uint8_t>>& png);
    const std::optional<std::vector<uint8_t>>& png() const { return png_; }
    // A dropped file: true when it became the picture (imageViewDidChanged was sent).
    bool dropFile(const QString& path);

signals:
    void imageViewDidChanged();
    // A file that looked like an image could not be read.
    void imageRefused(const QString& path, const QString& reason);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool acceptsDrops() const;

    std::optional<std::vector<uint8_t>> png_;
    QImage image_;
};

}  // namespace wavomer::app
