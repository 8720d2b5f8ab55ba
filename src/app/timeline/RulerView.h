// RulerView: the time ruler above the rows. It does not scroll itself: it draws the
// ticks and labels of the content under it by adding the rows' scroll offset, with the
// tick and label rules of the ruler helpers. A press or a drag on it moves the cursor
// (a marker under the press is selected first), with the player following.
//
// Threads: main thread.
#pragma once

#include <QWidget>

namespace wavomer {
class WaveEditViewController;
}

namespace wavomer::app {

class Document;
class Viewport;

class RulerView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 24;

    // Follows the rows' viewport: its origin is the ruler's offset, and its marker hit
    // test runs at half the rows' height.
    RulerView(Document& document, const Viewport& viewport, bool isUp = true, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {400, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int offset() const;

    Document& document_;
    WaveEditViewController& engine_;
    const Viewport& viewport_;
    bool isUp_;
    bool pressed_ = false;
};

}  // namespace wavomer::app
