// RulerView: the time ruler above the rows. It does not scroll itself: it draws the
// ticks and labels of the content under it by adding the rows' scroll offset, with the
// tick and label rules of the ruler helpers. A press or a drag on it moves the cursor
// (a marker under the press is selected first), with the player following.
//
// Threads: main thread.
#pragma once

#include <QWidget>
#include <functional>

namespace wavomer {
class WaveEditViewController;
}

namespace wavomer::app {

class RulerView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 24;

    // offset answers the rows' scroll offset (the visible origin x, whole pixels).
    RulerView(WaveEditViewController& engine, std::function<int()> offset, bool isUp = true,
              QWidget* parent = nullptr);
    QSize sizeHint() const override { return {400, kHeight}; }

    // The height of the rows under the ruler: its marker hit test runs at half of it.
    std::function<double()> rowsHeight;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    WaveEditViewController& engine_;
    std::function<int()> offset_;
    bool isUp_;
    bool pressed_ = false;
};

}  // namespace wavomer::app
