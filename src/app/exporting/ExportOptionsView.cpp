#include "exporting/ExportOptionsView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>

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
    splitBox_ = new QCheckBox(Text::tr("Split into one file per marker segment"), this);
    splitBox_->setObjectName(QStringLiteral("markerSplitBox"));
    splitBox_->setAccessibleName(splitBox_->text());
    form->addRow(QString(), splitBox_);

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
    filling_ = false;
}

void ExportOptionsView::setConvertUseMarker(bool split) { splitBox_->setChecked(split); }
bool ExportOptionsView::convertUseMarker() const { return splitBox_->isChecked(); }

}  // namespace wavomer::app
