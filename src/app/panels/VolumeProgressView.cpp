#include "panels/VolumeProgressView.h"

#include <QMouseEvent>
#include <QPainter>

#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

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

}  // namespace wavomer::app
