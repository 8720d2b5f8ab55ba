// The custom fade panel: a start and a stop level (0 to 1, both 1.0 at every opening)
// set in two fields or by pressing and dragging in the two slots of the fade graph;
// every press and drag gives the selected sections fade mode 3 with both levels over
// the selected range at once, so the waveform and a running preview follow it. OK
// keeps the fade; Cancel and the close button put back what the sections had.
//
// Threads: main thread.
#pragma once

#include <functional>

#include "panels/CustomFadeGraphView.h"
#include "panels/EditPanelDialog.h"
#include "rules/PanelRules.h"

class QLineEdit;

namespace wavomer::app {

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
