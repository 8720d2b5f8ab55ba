// ZoomControl: the toolbar's zoom slider with a zoom-out and a zoom-in button. A press
// on a button steps the value by 1; a press on the track sets it from x and every drag
// until release sets it again. Every change is applied through zoomApplied, even when
// the clamped value did not move (the engine then re-zooms to the same scale). With the
// keyboard focus (Tab), Left/Down and Right/Up step it by 1, Page Down/Up by 10, Home
// and End go to the ends. The geometry and the value rules are the zoom helpers'.
//
// Threads: main thread.
#pragma once

#include <QWidget>

namespace wavomer::app {

class ZoomControl : public QWidget {
    Q_OBJECT
public:
    explicit ZoomControl(QWidget* parent = nullptr);
    float value() const { return value_; }
    // Stores the clamped value and redraws; applies nothing.
    void setValue(float value);
    // Stores the clamped value and applies it.
    void applyValue(float value);
    QSize sizeHint() const override { return {144, 22}; }

signals:
    void zoomApplied(float value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    float value_;
    bool dragging_ = false;
};

}  // namespace wavomer::app
