// EffectItemView: one row of the effect panel: the parameter's name, a slider over its
// range (starting at the catalogue default), the value as shown after rounding, and the
// unit. It is 30 high.
//
// Threads: main thread.
#pragma once

#include <QWidget>
#include <string>

#include "effects/EffectCatalogue.h"

class QLabel;
class QLineEdit;
class QSlider;

namespace wavomer::app {

class EffectItemView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSliderSteps = 1000;

    EffectItemView(const EffectSetting& setting, QWidget* parent);

    const std::string& labelName() const { return name_; }
    const std::string& unitName() const { return unit_; }
    double minValue() const { return min_; }
    double maxValue() const { return max_; }
    double currentValue() const { return value_; }
    // Rounds as the row shows it, within the slider's range, and shows it.
    void setCurrentValue(double value);
    bool isHiddenUnitName() const;

    QSlider& slider() { return *slider_; }
    QLineEdit& valueField() { return *field_; }
    // Takes a value typed but not yet committed (no Return, no focus change) as the field would.
    void commitTypedValue() { valueFieldChangedAction(); }
    QLabel& unitLabel() { return *unitLabel_; }
    QLabel& nameLabel() { return *nameLabel_; }

signals:
    void effectSliderChanged(EffectItemView* row);

private:
    void sliderChangedAction(int position);
    void valueFieldChangedAction();

    std::string name_, unit_;
    double min_ = 0.0, max_ = 0.0, value_ = 0.0;
    QSlider* slider_ = nullptr;
    QLabel* nameLabel_ = nullptr;
    QLineEdit* field_ = nullptr;
    QLabel* unitLabel_ = nullptr;
};

}  // namespace wavomer::app
