// The export options: the folder dialog's accessory view with the format, sample-rate
// and bit-rate popups, the channel popup (one channel per track, stereo mix, mono mix)
// and the marker-split check box. The choices follow the core's ExportOptionsModel;
// this view only shows its popups and forwards the user's picks. When its menu is
// refilled it selects the format last exported if the menu offers it.
//
// Threads: main thread.
#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "export/FormatCatalogue.h"

class QCheckBox;
class QComboBox;

namespace wavomer::app {

class ExportOptionsView : public QWidget {
    Q_OBJECT
public:
    // capabilities may be null (then the catalogue's channel limits decide alone).
    ExportOptionsView(size_t trackCount, MediaWriterEngine* capabilities, QWidget* parent = nullptr);

    // Chooses the menu from the track count and channel type, selects the format last
    // exported (lastExported) when offered, otherwise the first, and refills the popups.
    void updateFormatMenu(const std::optional<std::string>& lastExported);
    void setConvertUseMarker(bool split);
    bool convertUseMarker() const;
    int64_t exportChannelType() const { return model_.exportChannelType(); }

    ExportOptionsModel& model() { return model_; }
    QComboBox* formatButton() const { return formatButton_; }
    QComboBox* sampleRateButton() const { return sampleRateButton_; }
    QComboBox* bitRateButton() const { return bitRateButton_; }
    QComboBox* channelTypeButton() const { return channelButton_; }
    QCheckBox* markerSplitBox() const { return splitBox_; }

private:
    void formatChangedAction();
    void exportChannelTypeChanged();
    void showPopups();

    ExportOptionsModel model_;
    std::optional<std::string> lastExported_;
    QComboBox* formatButton_ = nullptr;
    QComboBox* sampleRateButton_ = nullptr;
    QComboBox* bitRateButton_ = nullptr;
    QComboBox* channelButton_ = nullptr;
    QCheckBox* splitBox_ = nullptr;
    bool filling_ = false;
};

}  // namespace wavomer::app
