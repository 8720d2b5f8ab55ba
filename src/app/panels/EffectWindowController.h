// The effect panel: a popup with "None" and every effect of the catalogue, one row per
// parameter of the chosen effect (name, slider over its range starting at the catalogue
// default, the value as shown after rounding, the unit), Reset, a preview, OK and
// Cancel. Every change of the effect or of a row is applied to the selected sections at
// once, so the preview plays what OK keeps; Cancel and the close button give every
// section back the effect it had (and leave no undo step behind).
//
// Threads: main thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "effects/EffectCatalogue.h"
#include "panels/EditPanelDialog.h"
#include "panels/EffectItemView.h"

class QComboBox;
class QScrollArea;

namespace wavomer::app {

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
