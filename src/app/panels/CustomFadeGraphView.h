// CustomFadeGraphView: the custom fade panel's graph: the 200 x 200 graph area inside
// its 260 x 260 view, with the grid and its labels, the red curve and the two knobs. Its
// geometry is the fade graph's rules, in coordinates with y growing upwards (the view
// flips them).
//
// Threads: main thread.
#pragma once

#include <QPointF>
#include <QWidget>

#include "rules/PanelRules.h"

namespace wavomer::app {

class CustomFadeGraphView : public QWidget {
    Q_OBJECT
public:
    explicit CustomFadeGraphView(QWidget* parent = nullptr);

    void setValues(double startValue, double stopValue);
    double startValue() const { return start_; }
    double stopValue() const { return stop_; }
    rules::PanelRect graphRect() const;
    // A point of the view in the graph's coordinates (y upwards) and back.
    QPointF toGraph(QPointF widgetPoint) const;
    QPointF toWidget(QPointF graphPoint) const;

signals:
    void updateControllerStartValue(double value);
    void updateControllerStopValue(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Knob { None, Left, Right };
    void applyAt(QPointF widgetPoint);

    double start_ = 1.0;
    double stop_ = 1.0;
    Knob dragging_ = Knob::None;
    Knob focusKnob_ = Knob::Left;
};

}  // namespace wavomer::app
