#include "window/RecordingStrip.h"

#include <QFontDatabase>
#include <QPainter>
#include <cmath>

#include "base/Palette.h"
#include "base/Text.h"
#include "window/AccessibleViews.h"

namespace wavomer::app {

namespace {
constexpr int kTimeWidth = 190;  // the mark, "Recording" and the time
constexpr int kClipWidth = 44;
constexpr double kTickSeconds = 0.01;
}  // namespace

RecordingStrip::RecordingStrip(QWidget* parent) : QWidget(parent) {
    installAccessibleViews();
    setObjectName(QStringLiteral("recordingStrip"));
    setAccessibleName(Text::tr("Recording"));
    setMinimumWidth(kTimeWidth + kClipWidth + 200);
}

QSize RecordingStrip::sizeHint() const { return {800, 30}; }

void RecordingStrip::start() {
    meter_.reset();
    recorded_ = 0.0;
    update();
}

void RecordingStrip::progress(double level, double recordedSeconds) {
    meter_.push(level, kTickSeconds);
    recorded_ = std::max(recordedSeconds, 0.0);
    update();
}

QString RecordingStrip::elapsedText() const {
    // Tenths of a second, as hh:mm:ss.t.
    const auto tenths = static_cast<long long>(std::floor(recorded_ * 10.0));
    return QStringLiteral("%1:%2:%3.%4")
        .arg(tenths / 36000, 2, 10, QLatin1Char('0'))
        .arg(tenths / 600 % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths / 10 % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths % 10);
}

QString RecordingStrip::valueText() const {
    QString text = Text::tr("%1, level %2, peak %3")
                       .arg(elapsedText(), QString::fromStdString(rules::decibelText(meter_.levelDb())),
                            QString::fromStdString(rules::decibelText(meter_.holdDb())));
    if (meter_.clipped()) text += QLatin1String(", ") + Text::tr("clipped");
    return text;
}

void RecordingStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette::kTimeDisplayBacking);
    painter.setRenderHint(QPainter::Antialiasing);
    const int h = height();
    // The mark and the time.
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::kRecordButton);
    painter.drawEllipse(QRectF(10, h / 2.0 - 6, 12, 12));
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(std::max(12, h - 14));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(palette::kCursor);
    painter.drawText(QRect(30, 0, kTimeWidth - 30, h), Qt::AlignVCenter | Qt::AlignLeft, elapsedText());

    // The meter: the bar over a dark track, the scale's marks below it, the hold line.
    const int left = kTimeWidth, right = width() - kClipWidth - 10;
    if (right - left < 40) return;
    const QRectF track(left, 3, right - left, std::max(6.0, h * 0.35));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(track, QColor(40, 40, 40));
    const double barEnd = left + (right - left) * rules::PeakMeter::scalePosition(meter_.levelDb());
    // Green up to -12 dB, yellow to -3 dB, red above.
    auto xOf = [&](double db) { return left + (right - left) * rules::PeakMeter::scalePosition(db); };
    const struct {
        double from, to;
        QColor colour;
    } zones[] = {{rules::PeakMeter::kFloorDb, -12.0, QColor(40, 200, 80)},
                 {-12.0, -3.0, QColor(230, 210, 40)},
                 {-3.0, 0.0, QColor(230, 50, 40)}};
    for (const auto& zone : zones) {
        const double a = xOf(zone.from), b = std::min(xOf(zone.to), barEnd);
        if (b > a) painter.fillRect(QRectF(a, track.top(), b - a, track.height()), zone.colour);
    }
    if (meter_.holdDb() > rules::PeakMeter::kFloorDb) {
        const double x = xOf(meter_.holdDb());
        painter.fillRect(QRectF(std::min(x, right - 2.0), track.top(), 2.0, track.height()), Qt::white);
    }
    QFont small = font;
    small.setBold(false);
    small.setPixelSize(std::max(8, static_cast<int>(h - track.bottom() - 7)));
    painter.setFont(small);
    painter.setPen(QColor(180, 180, 180));
    for (double db : rules::PeakMeter::scaleMarks()) {
        const double x = xOf(db);
        painter.drawLine(QPointF(x, track.bottom() + 1), QPointF(x, track.bottom() + 3));
        const QString label = QString::number(static_cast<int>(db));
        const int w = painter.fontMetrics().horizontalAdvance(label);
        const double at = std::clamp(x - w / 2.0, static_cast<double>(left), right - static_cast<double>(w));
        painter.drawText(QPointF(at, h - 3), label);
    }
    // The clip mark: lit red from the first reading at full scale.
    const QRectF clip(width() - kClipWidth, 4, kClipWidth - 6, h - 8);
    painter.fillRect(clip, meter_.clipped() ? QColor(230, 30, 30) : QColor(60, 20, 20));
    painter.setPen(meter_.clipped() ? Qt::white : QColor(140, 90, 90));
    painter.drawText(clip, Qt::AlignCenter, Text::tr("CLIP"));
}

}  // namespace wavomer::app
