#include "panels/RecordPanel.h"

#include <QComboBox>
#include <QPushButton>
#include <QScreen>
#include <cmath>

#include "bridge/EngineBridge.h"
#include "engine/WaveEditViewController.h"
#include "base/Document.h"
#include "base/Interaction.h"
#include "base/WindowContext.h"
#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

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
    // The window stays responsive while the recording is converted behind the import
    // progress; a failure is told once the placing has ended.
    controller_->stopRecord([this](Outcome<bool> stopped) {
        if (stopped) return;
        // Also when the user cancelled the placing: the take is not on the timeline, and
        // the user hears where it is.
        Failure failure = stopped.failure();
        failure.cancelled = false;
        interaction_.tell(window_,
                          Text::tr("The recording could not be placed on the timeline. It is kept in the folder "
                                   "\"Record Files\"."),
                          failure);
    });
    doSomethingWhenStopRecordAction();
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
