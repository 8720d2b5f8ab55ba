// The effect panel: a popup with "None" and every effect of the catalogue, one row per
// parameter of the chosen effect (name, slider over its range starting at the catalogue
// default, the value as shown after rounding, the unit), Reset, a preview, OK and
// Cancel. Every change of the effect or of a row is applied to the selected sections at
// once, so the preview plays what OK keeps; Cancel and the close button give every
// section back the effect it had (and leave no undo step behind).
//
// EffectItemView is one row, 30 high.
//
// Threads: main thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "effects/EffectCatalogue.h"
#include "panels/EditPanelDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
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

class EffectWindowController : public EditPanelDialog {
    Q_OBJECT
public:
    explicit EffectWindowController(const WindowContext& context);

    QComboBox& effectPopBtn() { return *popup_; }
    QWidget& controlView() { return *controlView_; }
    QScrollArea& scrollView() { return *scroll_; }
    const std::vector<EffectItemView*>& effectItemViewArray() const { return rows_; }
    long settingCount() const { return static_cast<long>(rows_.size()); }
    const std::optional<EffectDic>& effectDic() const { return effectDic_; }

    // Chooses an effect by its popup text ("None" or a catalogue name), as the popup would.
    void chooseEffect(const QString& name);
    void resetButtonAction();

protected:
    void updateWindow() override;
    void okAction() override;

private:
    void changeEffectButtonAction();
    void updateEffectControlViewAndEffectDic();
    void adjustControlViewFrameWithCount(long count);
    void saveCurrentEffectDic();
    std::string chosenName() const;

    QComboBox* popup_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* controlView_ = nullptr;
    std::vector<EffectItemView*> rows_;
    std::optional<EffectDic> effectDic_;
};

}  // namespace wavomer::app
