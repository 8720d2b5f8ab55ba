// The export options: the folder dialog's accessory view with the format, sample-rate
// and bit-rate popups, the channel popup (one channel per track, stereo mix, mono mix)
// the bit depth of the lossless formats that offer one, the file name, the marker-split
// check box and the choice to number the split pieces in their names, the loudness
// normalisation (off, a platform's target or a custom one, with its true-peak ceiling, for
// the whole export or each piece) and the chapters at markers of a single file. The choices follow the core's ExportOptionsModel;
// this view only shows its popups and forwards the user's picks. When its menu is
// refilled it selects the format last exported if the menu offers it.
//
// Threads: main thread.
#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "export/FormatCatalogue.h"
#include "export/LoudnessNormaliser.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;

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
    // Picks the channel popup's entry (0 one channel per track, 1 stereo, 2 mono).
    void setExportChannelType(int64_t type);
    // 16 or 24; the popup is enabled only for a format that offers a choice.
    int32_t bitDepth() const;
    void setBitDepth(int32_t bits);
    // The file name typed (blank-trimmed; the caller falls back on "Audio").
    std::string baseName() const;
    bool numberPieceNames() const;
    // None when normalisation is off.
    std::optional<LoudnessTarget> loudnessTarget() const;
    // Selects the preset of that loudness, or Custom with it; none is Off.
    void setLoudnessTarget(const std::optional<double>& integrated, double truePeakCeiling, bool perPiece);
    // With markers the chapters box is offered, and checked.
    void setHasMarkers(bool markers);
    bool chaptersAtMarkers() const;

    ExportOptionsModel& model() { return model_; }
    QComboBox* formatButton() const { return formatButton_; }
    QComboBox* sampleRateButton() const { return sampleRateButton_; }
    QComboBox* bitRateButton() const { return bitRateButton_; }
    QComboBox* channelTypeButton() const { return channelButton_; }
    QCheckBox* markerSplitBox() const { return splitBox_; }
    QComboBox* bitDepthButton() const { return bitDepthButton_; }
    QLineEdit* nameField() const { return nameField_; }
    QCheckBox* numberBox() const { return numberBox_; }
    QComboBox* loudnessButton() const { return loudnessButton_; }
    QDoubleSpinBox* loudnessField() const { return loudnessField_; }
    QDoubleSpinBox* truePeakField() const { return truePeakField_; }
    QCheckBox* perPieceBox() const { return perPieceBox_; }
    QCheckBox* chaptersBox() const { return chaptersBox_; }

private:
    void formatChangedAction();
    void exportChannelTypeChanged();
    void showPopups();
    void enableLoudnessFields();

    ExportOptionsModel model_;
    std::optional<std::string> lastExported_;
    QComboBox* formatButton_ = nullptr;
    QComboBox* sampleRateButton_ = nullptr;
    QComboBox* bitRateButton_ = nullptr;
    QComboBox* channelButton_ = nullptr;
    QCheckBox* splitBox_ = nullptr;
    QComboBox* bitDepthButton_ = nullptr;
    QLineEdit* nameField_ = nullptr;
    QCheckBox* numberBox_ = nullptr;
    QComboBox* loudnessButton_ = nullptr;
    QDoubleSpinBox* loudnessField_ = nullptr;
    QDoubleSpinBox* truePeakField_ = nullptr;
    QCheckBox* perPieceBox_ = nullptr;
    QCheckBox* chaptersBox_ = nullptr;
    bool hasMarkers_ = false;
    bool filling_ = false;
};

}  // namespace wavomer::app
