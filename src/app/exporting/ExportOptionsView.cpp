#include "exporting/ExportOptionsView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "export/ProjectExporter.h"
#include "rules/ExportRules.h"
#include "base/Text.h"

namespace wavomer::app {

namespace {

void fill(QComboBox* box, const PopupModel& popup) {
    const QSignalBlocker blocker(box);
    box->clear();
    for (const std::string& title : popup.titles) box->addItem(QString::fromStdString(title));
    box->setCurrentIndex(popup.selected ? static_cast<int>(*popup.selected) : -1);
    box->setEnabled(!popup.titles.empty());
}

QComboBox* popup(QFormLayout* form, const QString& label, const QString& name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(label);
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* caption = new QLabel(label + QLatin1Char(':'), parent);
    caption->setBuddy(box);
    form->addRow(caption, box);
    return box;
}

}  // namespace

ExportOptionsView::ExportOptionsView(size_t trackCount, MediaWriterEngine* capabilities, QWidget* parent)
    : QWidget(parent), model_(FormatCatalogue::builtIn(), capabilities) {
    setObjectName(QStringLiteral("convertAccessView"));
    auto* form = new QFormLayout(this);
    formatButton_ = popup(form, Text::tr("Format"), QStringLiteral("formatButton"), this);
    sampleRateButton_ = popup(form, Text::tr("Sample Rate"), QStringLiteral("sampleRateButton"), this);
    bitRateButton_ = popup(form, Text::tr("Bit Rate"), QStringLiteral("bitRateButton"), this);
    channelButton_ = popup(form, Text::tr("Channels"), QStringLiteral("channelTypeButton"), this);
    channelButton_->addItem(Text::tr("One Channel per Track"));
    channelButton_->addItem(Text::tr("Stereo Mix"));
    channelButton_->addItem(Text::tr("Mono Mix"));
    channelButton_->setCurrentIndex(0);
    bitDepthButton_ = popup(form, Text::tr("Bit Depth"), QStringLiteral("bitDepthButton"), this);
    bitDepthButton_->addItem(Text::tr("16 bits"), 16);
    bitDepthButton_->addItem(Text::tr("24 bits"), 24);
    nameField_ = new QLineEdit(Text::tr("Audio"), this);
    nameField_->setObjectName(QStringLiteral("fileNameField"));
    nameField_->setAccessibleName(Text::tr("File Name"));
    auto* nameCaption = new QLabel(Text::tr("File Name") + QLatin1Char(':'), this);
    nameCaption->setBuddy(nameField_);
    form->addRow(nameCaption, nameField_);
    splitBox_ = new QCheckBox(Text::tr("Split into one file per marker segment"), this);
    splitBox_->setObjectName(QStringLiteral("markerSplitBox"));
    splitBox_->setAccessibleName(splitBox_->text());
    form->addRow(QString(), splitBox_);
    numberBox_ = new QCheckBox(Text::tr("Number the pieces in the file names"), this);
    numberBox_->setObjectName(QStringLiteral("numberPiecesBox"));
    numberBox_->setAccessibleName(numberBox_->text());
    numberBox_->setEnabled(false);
    form->addRow(QString(), numberBox_);
    connect(splitBox_, &QCheckBox::toggled, numberBox_, &QWidget::setEnabled);

    // Loudness: the platforms' targets, or one of the user's own.
    loudnessButton_ = new QComboBox(this);
    loudnessButton_->setObjectName(QStringLiteral("loudnessButton"));
    loudnessButton_->setAccessibleName(Text::tr("Loudness"));
    loudnessButton_->addItem(Text::tr("Off"));
    loudnessButton_->addItem(Text::tr("-14 LUFS (Streaming)"), -14.0);
    loudnessButton_->addItem(Text::tr("-16 LUFS (Podcast)"), -16.0);
    loudnessButton_->addItem(Text::tr("-23 LUFS (Broadcast)"), -23.0);
    loudnessButton_->addItem(Text::tr("Custom"), QStringLiteral("custom"));
    auto decibelField = [this](const QString& name, const QString& accessible, double low, double high, double value,
                               const QString& unit) {
        auto* field = new QDoubleSpinBox(this);
        field->setObjectName(name);
        field->setAccessibleName(accessible);
        field->setRange(low, high);
        field->setDecimals(1);
        field->setSingleStep(0.5);
        field->setValue(value);
        field->setSuffix(QLatin1Char(' ') + unit);
        return field;
    };
    loudnessField_ = decibelField(QStringLiteral("loudnessField"), Text::tr("Custom Loudness"), -70.0, -5.0, -16.0,
                                  QStringLiteral("LUFS"));
    auto* loudnessRow = new QHBoxLayout();
    loudnessRow->addWidget(loudnessButton_);
    loudnessRow->addWidget(loudnessField_);
    loudnessRow->addStretch(1);
    auto* loudnessCaption = new QLabel(Text::tr("Loudness") + QLatin1Char(':'), this);
    loudnessCaption->setBuddy(loudnessButton_);
    form->addRow(loudnessCaption, loudnessRow);
    truePeakField_ = decibelField(QStringLiteral("truePeakField"), Text::tr("True-Peak Ceiling"), -20.0, 0.0, -1.0,
                                  QStringLiteral("dBTP"));
    auto* truePeakCaption = new QLabel(Text::tr("True-Peak Ceiling") + QLatin1Char(':'), this);
    truePeakCaption->setBuddy(truePeakField_);
    auto* truePeakRow = new QHBoxLayout();
    truePeakRow->addWidget(truePeakField_);
    truePeakRow->addStretch(1);
    form->addRow(truePeakCaption, truePeakRow);
    perPieceBox_ = new QCheckBox(Text::tr("Normalise each piece on its own"), this);
    perPieceBox_->setObjectName(QStringLiteral("perPieceBox"));
    perPieceBox_->setAccessibleName(perPieceBox_->text());
    form->addRow(QString(), perPieceBox_);
    chaptersBox_ = new QCheckBox(Text::tr("Chapters at markers"), this);
    chaptersBox_->setObjectName(QStringLiteral("chaptersBox"));
    chaptersBox_->setAccessibleName(chaptersBox_->text());
    form->addRow(QString(), chaptersBox_);
    connect(loudnessButton_, &QComboBox::currentIndexChanged, this, [this] { enableLoudnessFields(); });
    connect(splitBox_, &QCheckBox::toggled, this, [this] { enableLoudnessFields(); });
    enableLoudnessFields();

    model_.setTrackCount(trackCount);
    connect(formatButton_, &QComboBox::currentIndexChanged, this, [this] { formatChangedAction(); });
    connect(channelButton_, &QComboBox::currentIndexChanged, this, [this] { exportChannelTypeChanged(); });
    connect(sampleRateButton_, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) model_.selectSampleRate(sampleRateButton_->currentText().toStdString());
    });
    connect(bitRateButton_, &QComboBox::currentIndexChanged, this, [this] {
        if (!filling_) model_.selectBitRate(bitRateButton_->currentText().toStdString());
    });
}

void ExportOptionsView::updateFormatMenu(const std::optional<std::string>& lastExported) {
    lastExported_ = lastExported;
    model_.updateFormatMenu();
    const std::vector<std::string>& titles = model_.formatButton().titles;
    if (auto index = rules::formatToSelect(titles, lastExported_); index && *index != 0)
        model_.formatChangedAction(titles[*index]);
    showPopups();
}

void ExportOptionsView::formatChangedAction() {
    if (filling_) return;
    model_.formatChangedAction(formatButton_->currentText().toStdString());
    showPopups();
}

void ExportOptionsView::exportChannelTypeChanged() {
    model_.exportChannelTypeChanged(channelButton_->currentIndex());
    updateFormatMenu(lastExported_);
}

void ExportOptionsView::showPopups() {
    filling_ = true;
    fill(formatButton_, model_.formatButton());
    fill(sampleRateButton_, model_.sampleRateButton());
    fill(bitRateButton_, model_.bitRateButton());
    bitDepthButton_->setEnabled(!model_.formatButton().titles.empty() && offersBitDepth(model_.encoderSettings()));
    filling_ = false;
}

void ExportOptionsView::setConvertUseMarker(bool split) { splitBox_->setChecked(split); }
bool ExportOptionsView::convertUseMarker() const { return splitBox_->isChecked(); }

void ExportOptionsView::setExportChannelType(int64_t type) {
    if (type >= 0 && type < channelButton_->count()) channelButton_->setCurrentIndex(static_cast<int>(type));
}

int32_t ExportOptionsView::bitDepth() const {
    return bitDepthButton_->isEnabled() ? bitDepthButton_->currentData().toInt() : 16;
}

void ExportOptionsView::setBitDepth(int32_t bits) { bitDepthButton_->setCurrentIndex(bits == 24 ? 1 : 0); }

void ExportOptionsView::enableLoudnessFields() {
    const bool on = loudnessButton_->currentIndex() > 0;
    loudnessField_->setEnabled(loudnessButton_->currentData().toString() == QLatin1String("custom"));
    truePeakField_->setEnabled(on);
    perPieceBox_->setEnabled(on && splitBox_->isChecked());
    // Chapters belong to one file; a split export has its pieces instead.
    chaptersBox_->setEnabled(hasMarkers_ && !splitBox_->isChecked());
}

std::optional<LoudnessTarget> ExportOptionsView::loudnessTarget() const {
    if (loudnessButton_->currentIndex() <= 0) return std::nullopt;
    LoudnessTarget target;
    const QVariant preset = loudnessButton_->currentData();
    target.integrated = preset.toString() == QLatin1String("custom") ? loudnessField_->value() : preset.toDouble();
    target.truePeakCeiling = truePeakField_->value();
    target.perPiece = perPieceBox_->isEnabled() && perPieceBox_->isChecked();
    return target;
}

void ExportOptionsView::setLoudnessTarget(const std::optional<double>& integrated, double truePeakCeiling,
                                          bool perPiece) {
    int index = integrated ? loudnessButton_->count() - 1 : 0;
    for (int i = 1; integrated && i + 1 < loudnessButton_->count(); ++i)
        if (loudnessButton_->itemData(i).toDouble() == *integrated) index = i;
    if (integrated && index == loudnessButton_->count() - 1) loudnessField_->setValue(*integrated);
    loudnessButton_->setCurrentIndex(index);
    truePeakField_->setValue(truePeakCeiling);
    perPieceBox_->setChecked(perPiece);
    enableLoudnessFields();
}

void ExportOptionsView::setHasMarkers(bool markers) {
    hasMarkers_ = markers;
    chaptersBox_->setChecked(markers);
    enableLoudnessFields();
}

bool ExportOptionsView::chaptersAtMarkers() const { return chaptersBox_->isEnabled() && chaptersBox_->isChecked(); }

std::string ExportOptionsView::baseName() const { return nameField_->text().trimmed().toStdString(); }
bool ExportOptionsView::numberPieceNames() const { return splitBox_->isChecked() && numberBox_->isChecked(); }

}  // namespace wavomer::app
