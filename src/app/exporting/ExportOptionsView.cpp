#include "exporting/ExportOptionsView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
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

std::string ExportOptionsView::baseName() const { return nameField_->text().trimmed().toStdString(); }
bool ExportOptionsView::numberPieceNames() const { return splitBox_->isChecked() && numberBox_->isChecked(); }

}  // namespace wavomer::app
