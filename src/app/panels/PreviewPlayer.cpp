#include "panels/PreviewPlayer.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolButton>

#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

PreviewPlayer::PreviewPlayer(ProjectLock& lock, OutputDevice device, QObject* parent)
    : QObject(parent), lock_(lock), source_(lock), player_(makeOutputAudioGraph(device)) {
    player_.setDelegate(&source_);
    timer_.setInterval(kProgressTickMs);
    connect(&timer_, &QTimer::timeout, this, &PreviewPlayer::updateProgressWhenPlay);
}

PreviewPlayer::~PreviewPlayer() { release(); }

void PreviewPlayer::setSections(std::vector<SectionArray> arrays, int64_t channels) {
    if (isPlaying()) player_.stop();
    timer_.stop();
    source_.setSections(std::move(arrays), channels);
    player_.setCurrentTime(0.0);
    emit playPauseImageChanged();
    emit progressChanged(0.0);
}

void PreviewPlayer::playPauseAction() {
    if (!isPlaying()) {
        timer_.start();
        player_.start();
    } else {
        player_.stop();
        timer_.stop();
    }
    emit playPauseImageChanged();
}

void PreviewPlayer::stopPlayer() {
    player_.stop();
    timer_.stop();
    seek(0.0);
    emit playPauseImageChanged();
    emit progressChanged(currentTime());
}

void PreviewPlayer::seek(double seconds) { player_.setCurrentTime(seconds); }

void PreviewPlayer::updateProgressWhenPlay() {
    if (currentTime() >= sectionsDuration()) {
        timer_.stop();
        QMetaObject::invokeMethod(this, &PreviewPlayer::stopPlayer, Qt::QueuedConnection);
    }
    emit progressChanged(currentTime());
}

void PreviewPlayer::release() {
    if (isPlaying()) player_.stop();
    timer_.stop();
    // The output thread reads no more once the graph stopped; the lock keeps a block
    // that was already being filled from racing the release.
    std::lock_guard guard(lock_);
    source_.release();
}

// ---------------------------------------------------------------------------------

namespace {
constexpr int kSliderSteps = 1000;
}

VolumeProgressView::VolumeProgressView(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, kSliderSteps);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumHeight(24);
    setAccessibleName(Text::tr("Preview position"));
    // A screen reader (or the keyboard) moving the value seeks like a press on the bar.
    connect(this, &QSlider::actionTriggered, this, [this](int) {
        if (isInSeek_) return;
        const double seconds = static_cast<double>(sliderPosition()) / kSliderSteps * std::max(bar_.duration, 0.0);
        currentTime_ = seconds;
        emit seek(seconds);
        update();
    });
}

rules::ProgressBar VolumeProgressView::geometry() const {
    rules::ProgressBar bar = bar_;
    bar.width = width();
    bar.height = height();
    return bar;
}

void VolumeProgressView::setDuration(double seconds) {
    bar_.duration = seconds;
    syncSliderValue();
    update();
}

void VolumeProgressView::setCurrentTime(double seconds) {
    currentTime_ = seconds;
    syncSliderValue();
    update();
}

void VolumeProgressView::syncSliderValue() {
    const double duration = std::max(bar_.duration, 1e-9);
    const QSignalBlocker blocker(this);
    setValue(static_cast<int>(std::lround(std::clamp(currentTime_ / duration, 0.0, 1.0) * kSliderSteps)));
}

void VolumeProgressView::actionForType(rules::ProgressDragType type, double x) {
    if (type == rules::ProgressDragType::Seek) {
        const double seconds = geometry().seekTimeAt(x);
        setCurrentTime(seconds);
        emit seek(seconds);
    }
    update();
}

void VolumeProgressView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPointF p = event->position();
    pressType_ = geometry().drayTypeAtPoint(p.x(), p.y());
    isInSeek_ = pressType_ == rules::ProgressDragType::Seek;
    actionForType(pressType_, p.x());
    event->accept();
}

void VolumeProgressView::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) actionForType(pressType_, event->position().x());
    event->accept();
}

void VolumeProgressView::mouseReleaseEvent(QMouseEvent* event) {
    isInSeek_ = false;
    pressType_ = rules::ProgressDragType::None;
    event->accept();
}

void VolumeProgressView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const rules::ProgressBar bar = geometry();
    const rules::PanelRect content = bar.contentRect();
    const double line = content.centreY();
    const double knob = bar.timeToPoint(currentTime_);
    painter.setPen(QPen(palette::kPreviewTrack, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(content.x, line), QPointF(content.x + content.width, line));
    painter.setPen(QPen(palette::kPreviewPlayed, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(content.x, line), QPointF(knob, line));
    painter.setPen(QPen(hasFocus() ? palette().highlight().color() : palette::kPreviewKnobEdge, 1));
    painter.setBrush(palette::kPreviewKnob);
    painter.drawEllipse(QPointF(knob, line), 6.0, 6.0);
}

// ---------------------------------------------------------------------------------

PreviewTransport::PreviewTransport(PreviewPlayer& player, QWidget* parent) : QWidget(parent), player_(player) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    playButton_ = new QToolButton(this);
    playButton_->setAutoRaise(false);
    progress_ = new VolumeProgressView(this);
    layout->addWidget(playButton_);
    layout->addWidget(progress_, 1);
    connect(playButton_, &QToolButton::clicked, &player_, &PreviewPlayer::playPauseAction);
    connect(&player_, &PreviewPlayer::playPauseImageChanged, this, &PreviewTransport::flushPlayPauseButtonImage);
    connect(&player_, &PreviewPlayer::progressChanged, progress_, &VolumeProgressView::setCurrentTime);
    connect(progress_, &VolumeProgressView::seek, &player_, &PreviewPlayer::seek);
    flushPlayPauseButtonImage();
}

void PreviewTransport::reset() {
    progress_->setDuration(player_.sectionsDuration());
    progress_->setCurrentTime(player_.currentTime());
    flushPlayPauseButtonImage();
}

void PreviewTransport::flushPlayPauseButtonImage() {
    const bool playing = player_.isPlaying();
    playButton_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    const QString name = playing ? Text::tr("Pause") : Text::tr("Play");
    playButton_->setText(name);
    playButton_->setToolTip(name);
    playButton_->setAccessibleName(name);
}

}  // namespace wavomer::app
