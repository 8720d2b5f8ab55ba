#include "panels/RecordPanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

#include "bridge/EngineBridge.h"
#include "engine/WaveEditViewController.h"
#include "base/Document.h"
#include "base/Interaction.h"
#include "base/WindowContext.h"
#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

// --- the meter -----------------------------------------------------------------------

AudioWaveView::AudioWaveView(AudioWaveMeter& meter, QWidget* parent) : QWidget(parent), meter_(meter) {
    setMinimumSize(330, 70);
    setAccessibleName(Text::tr("Input level"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void AudioWaveView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette::kMeterBacking);
    shown_ = meter_.drawColumns();
    const double width = this->width();
    const double columnWidth = std::max(AudioWaveMeter::columnWidth(width), 1.0);
    const double cellHeight = (height() - 4.0) / AudioWaveMeter::kCells;
    const QColor background(70, 70, 70), level(60, 200, 90), loud(235, 190, 40), peak(230, 60, 50);
    for (int i = 0; i < AudioWaveMeter::kColumns; ++i) {
        const int filled = static_cast<int>(std::lround(shown_[static_cast<size_t>(i)]));
        for (double x : {AudioWaveMeter::columnX(i, width), AudioWaveMeter::mirroredColumnX(i, width)}) {
            for (int cell = 0; cell < AudioWaveMeter::kCells; ++cell) {
                const double y = height() - 2.0 - (cell + 1) * cellHeight;
                QColor colour = background;
                if (cell < filled) colour = cell >= 14 ? peak : cell >= 11 ? loud : level;
                painter.fillRect(QRectF(x, y + 1.0, columnWidth, cellHeight - 1.0), colour);
            }
        }
    }
}

// --- the popup -----------------------------------------------------------------------

RecordPopover::RecordPopover(AudioWaveMeter& meter, QWidget* parent) : QWidget(parent, Qt::Popup) {
    setObjectName(QStringLiteral("RecordPopover"));
    setAccessibleName(Text::tr("Audio Record"));
    // The popover's dark appearance: light text on the dark backing it paints.
    QPalette dark = palette();
    dark.setColor(QPalette::Window, palette::kRecordPanelBacking);
    dark.setColor(QPalette::WindowText, palette::kRecordPanelText);
    setPalette(dark);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(Text::tr("Input:"), this);
    devices_ = new QComboBox(this);
    devices_->setAccessibleName(Text::tr("Input"));
    devices_->setMinimumWidth(240);
    label->setBuddy(devices_);
    row->addWidget(label);
    row->addWidget(devices_, 1);
    layout->addLayout(row);
    meter_ = new AudioWaveView(meter, this);
    layout->addWidget(meter_);
    record_ = new QPushButton(Text::tr("Record"), this);
    record_->setAccessibleName(Text::tr("Record"));
    record_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(record_);
    layout->addLayout(buttons);
}

void RecordPopover::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit closed();
}

void RecordPopover::paintEvent(QPaintEvent*) {
    // The dark appearance of the popover, with a thin frame.
    QPainter painter(this);
    painter.fillRect(rect(), palette::kRecordPanelBacking);
    painter.setPen(palette::kRecordPanelEdge);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// --- the panel -----------------------------------------------------------------------

RecordPanel::RecordPanel(const WindowContext& context, UserConfig& config)
    : QObject(context.parent),
      document_(context.document),
      engine_(context.document.engine()),
      bridge_(context.document.bridge()),
      interaction_(context.interaction),
      config_(config),
      window_(context.parent) {
    timer_.setInterval(static_cast<int>(RecordViewController::kTimerSeconds * 1000.0));
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { controller_->flushAudioRecordState(); });
}

RecordPanel::~RecordPanel() {
    timer_.stop();
    if (popover_) {
        popover_->disconnect(this);
        delete popover_;
    }
    // The recorder goes before the panel's logic: its threads stop and call nobody after.
    if (recorder_) {
        recorder_->setDelegate(nullptr);
        recorder_->stop();
    }
    recorder_.reset();
}

void RecordPanel::ensureRecorder() {
    if (recorder_) return;
    recorder_ = document_.makeRecorder();
    RecordTexts texts{Text::tr("None").toStdString(), Text::tr("Computer Audio").toStdString()};
    controller_ = std::make_unique<RecordViewController>(*recorder_, engine_, config_, *this, std::move(texts));
    popover_ = new RecordPopover(controller_->audioWaveView, window_);
    connect(popover_, &RecordPopover::closed, this, [this] { controller_->closePopoverWithoutRecord(); });
    connect(&popover_->audioDeviceButton(), &QComboBox::activated, this, [this](int index) {
        controller_->selectAudioDevice(popover_->audioDeviceButton().itemText(index).toStdString());
    });
    connect(&popover_->recordButton(), &QPushButton::clicked, this, [this] { controller_->startOrStop(); });
    recorder_->setDelegate(this);
}

RecordPopover& RecordPanel::popover() {
    ensureRecorder();
    return *popover_;
}

RecordViewController& RecordPanel::controller() {
    ensureRecorder();
    return *controller_;
}

AudioRecorder& RecordPanel::recorder() {
    ensureRecorder();
    return *recorder_;
}

bool RecordPanel::isPopoverShown() const { return popover_ && popover_->isVisible(); }

bool RecordPanel::isRecording() const { return bridge_.isRecording(); }

void RecordPanel::showBelow(QWidget* anchor) {
    ensureRecorder();
    controller_->showPopover();
    popover_->adjustSize();
    // Below the button, its left edges aligned, kept on the screen.
    QPoint at = anchor ? anchor->mapToGlobal(QPoint(0, anchor->height())) : QPoint(0, 0);
    if (const QScreen* screen = anchor ? anchor->screen() : nullptr) {
        const QRect room = screen->availableGeometry();
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - popover_->width())));
    }
    popover_->move(at);
    popover_->show();
    popover_->audioDeviceButton().setFocus();
}

void RecordPanel::stopRecord() {
    if (!controller_) return;
    const Outcome<bool> stopped = controller_->stopRecord();
    doSomethingWhenStopRecordAction();
    if (!stopped)
        interaction_.tell(window_,
                          Text::tr("The recording could not be placed on the timeline. It is kept in the folder "
                                   "\"Record Files\"."),
                          stopped.failure());
}

void RecordPanel::setIsRecording(bool recording) {
    bridge_.setRecording(recording);
    emit recordingChanged();
}

void RecordPanel::doSomethingWhenStartRecordAction() {
    if (popover_) popover_->hide();
    if (startRecordAction) startRecordAction();
}

void RecordPanel::doSomethingWhenStopRecordAction() {
    if (stopRecordAction) stopRecordAction();
}

void RecordPanel::audioInputDevicesChanged() {
    if (!popover_ || fillingDevices_) return;
    // The pop-up re-reads the list and shows the selected device.
    fillingDevices_ = true;
    QComboBox& box = popover_->audioDeviceButton();
    QStringList titles;
    for (const std::string& title : controller_->deviceTitles()) titles << QString::fromStdString(title);
    QStringList current;
    for (int i = 0; i < box.count(); ++i) current << box.itemText(i);
    if (current != titles) {
        box.clear();
        box.addItems(titles);
    }
    box.setCurrentIndex(std::max(box.findText(QString::fromStdString(controller_->selectedDeviceName())), 0));
    fillingDevices_ = false;
}

void RecordPanel::meterChanged() {
    if (popover_) popover_->audioWaveView().update();
}

void RecordPanel::computerAudioMissing() {
    interaction_.tell(window_, Text::tr("Computer Audio"),
                      Failure::because(Text::tr("The sound server offers no monitor of the computer's output, so its "
                                                "sound cannot be recorded. The previous input stays chosen.")
                                           .toStdString()));
}

void RecordPanel::recordingStoppedBecause(const RecordingStop& stop) {
    switch (stop.result) {
    case RecordingStop::Result::Placed:
        interaction_.tell(window_, Text::tr("The recording stopped. What was recorded until then is on the timeline."),
                          Failure::because(stop.reason));
        break;
    case RecordingStop::Result::NothingRecorded:
        interaction_.tell(window_, Text::tr("The recording stopped. Nothing was recorded."),
                          Failure::because(stop.reason));
        break;
    case RecordingStop::Result::KeptInFile:
        interaction_.tell(window_,
                          Text::tr("The recording stopped and could not be placed on the timeline. It is kept in "
                                   "\"%1\" and can be imported.")
                              .arg(QString::fromStdString(stop.keptFile)),
                          Failure::because(stop.reason + "\n" + stop.placeFailure));
        break;
    }
}

void RecordPanel::audioRecorderDevicesChanged() {
    QMetaObject::invokeMethod(this, [this] {
        if (controller_) controller_->devicesChanged();
    }, Qt::QueuedConnection);
}

void RecordPanel::audioRecorderDidFail(const std::string& message) {
    QMetaObject::invokeMethod(this, [this, message] {
        if (controller_) controller_->recordingFailed(message);
    }, Qt::QueuedConnection);
}

}  // namespace wavomer::app
