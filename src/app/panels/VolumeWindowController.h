// The volume panel: a factor from 0 to 10 set with a slider or a text field (both
// bound to one value, 1.0 at every opening), a preview of the selected sections at that
// factor, and OK multiplying every selected section's volume by it.
//
// Threads: main thread.
#pragma once

#include "panels/EditPanelDialog.h"

class QLineEdit;
class QSlider;

namespace wavomer::app {

class VolumeWindowController : public EditPanelDialog {
    Q_OBJECT
public:
    // The slider runs in hundredths of the factor.
    static constexpr int kSliderScale = 100;

    explicit VolumeWindowController(const WindowContext& context);

    float slideValue() const { return slideValue_; }
    void setSlideValue(float value);
    QSlider& slider() { return *slider_; }
    QLineEdit& field() { return *field_; }
    QLineEdit& decibelField() { return *decibelField_; }

protected:
    void updateWindow() override;
    void okAction() override;

private:
    void changeVolumeUseSlider(int position);
    void changeVolumeUseField();
    void changeVolumeUseDecibels();
    void showValue();

    float slideValue_ = 1.0f;
    QSlider* slider_ = nullptr;
    QLineEdit* field_ = nullptr;
    QLineEdit* decibelField_ = nullptr;
};

}  // namespace wavomer::app
