// The custom fade panel: a start and a stop level (0 to 1, both 1.0 at every opening)
// set in two fields or by pressing and dragging in the two slots of the fade graph;
// every press and drag gives the selected sections fade mode 3 with both levels over
// the selected range at once, so the waveform and a running preview follow it. OK
// keeps the fade; Cancel and the close button put back what the sections had.
//
// CustomFadeGraphView draws the 200 x 200 graph area inside its 260 x 260 view: the
// grid with its labels, the red curve and the two knobs. Its geometry is the fade
// graph's rules, in coordinates with y growing upwards (the view flips them).
//
// Threads: main thread.
#pragma once

#include <functional>

#include "panels/EditPanelDialog.h"
#include "rules/PanelRules.h"

class QLineEdit;

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

class FadeSettingWindowController : public EditPanelDialog {
    Q_OBJECT
public:
    explicit FadeSettingWindowController(const WindowContext& context);

    double startValue() const { return startValue_; }
    double stopValue() const { return stopValue_; }
    QLineEdit& startField() { return *startField_; }
    QLineEdit& stopField() { return *stopField_; }
    CustomFadeGraphView& graph() { return *graph_; }

    // The graph's knob moved: the level is stored and the sections take it at once.
    void updateControllerStartValue(double value);
    void updateControllerStopValue(double value);

protected:
    void updateWindow() override;
    void okAction() override;

private:
    void startValueFieldChangaed();
    void stopValueFieldChanged();
    void showValues();
    void saveCustomFadeToSections();

    double startValue_ = 1.0;
    double stopValue_ = 1.0;
    QLineEdit* startField_ = nullptr;
    QLineEdit* stopField_ = nullptr;
    CustomFadeGraphView* graph_ = nullptr;
};

}  // namespace wavomer::app
