#include "window/AccessibleViews.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/WaveEditViewController.h"
#include "base/Text.h"
#include "timeline/TimelineView.h"

#include "panels/AudioWaveView.h"
#include "rules/WindowRules.h"
#include "timeline/RulerView.h"
#include "window/RecordingStrip.h"
#include "window/TimeDisplay.h"
#include "window/ZoomControl.h"

namespace wavomer::app {

namespace {

class AccessibleZoom : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleZoom(ZoomControl* zoom) : QAccessibleWidget(zoom, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return QString::number(zoom()->value());
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return zoom()->value(); }
    // A screen reader's change applies the zoom as a press on the control would.
    void setCurrentValue(const QVariant& value) override { zoom()->applyValue(value.toFloat()); }
    QVariant maximumValue() const override { return rules::kZoomMax; }
    QVariant minimumValue() const override { return rules::kZoomMin; }
    QVariant minimumStepSize() const override { return 1.0f; }

private:
    ZoomControl* zoom() const { return static_cast<ZoomControl*>(widget()); }
};

class AccessibleTime : public QAccessibleWidget {
public:
    explicit AccessibleTime(TimeDisplay* time) : QAccessibleWidget(time, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return static_cast<TimeDisplay*>(widget())->displayedText();
        return QAccessibleWidget::text(t);
    }
};

// The running take: a label whose value is the time recorded, the level, the peak held
// and whether the input clipped.
class AccessibleRecordingStrip : public QAccessibleWidget {
public:
    explicit AccessibleRecordingStrip(RecordingStrip* strip) : QAccessibleWidget(strip, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return static_cast<RecordingStrip*>(widget())->valueText();
        return QAccessibleWidget::text(t);
    }
};

// The recording panel's level meter: an indicator whose value is the input's level now.
class AccessibleLevelMeter : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleLevelMeter(AudioWaveView* meter) : QAccessibleWidget(meter, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return QStringLiteral("%1 %").arg(std::lround(meter()->currentLevel() * 100.0f));
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return meter()->currentLevel(); }
    void setCurrentValue(const QVariant&) override {}  // a reading, not a control
    QVariant maximumValue() const override { return 1.0f; }
    QVariant minimumValue() const override { return 0.0f; }
    QVariant minimumStepSize() const override { return 0.01f; }

private:
    AudioWaveView* meter() const { return static_cast<AudioWaveView*>(widget()); }
};

// One track row of the timeline: named "Track N", its value the track's length as the
// time display writes it, described by its section count; selected when its track is.
class AccessibleTrackRow : public QAccessibleInterface {
public:
    AccessibleTrackRow(TimelineView* view, int index) : view_(view), index_(index) {}

    bool isValid() const override { return view_ && index_ < trackCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(view_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        const TrackPtr& track = view_->engine().audioTrackArray()[static_cast<size_t>(index_)];
        switch (t) {
            case QAccessible::Name: return Text::tr("Track %1").arg(index_ + 1);
            case QAccessible::Value:
                return QString::fromStdString(
                    rules::timeDisplayText(static_cast<float>(std::max(track->trackEndTime(), 0.0))));
            case QAccessible::Description:
                return Text::tr("%1 sections").arg(static_cast<qsizetype>(track->sectionArray().size()));
            default: return {};
        }
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        const auto& selected = view_->engine().timelineTrackArray();
        const TrackPtr& track = view_->engine().audioTrackArray()[static_cast<size_t>(index_)];
        state.selected = std::find(selected.begin(), selected.end(), track) != selected.end();
        return state;
    }
    QRect rect() const override {
        if (!isValid()) return {};
        QWidget* viewport = view_->viewport();
        const double height = view_->engine().waveTrackCurrentHeight();
        const QRect local(0, static_cast<int>(index_ * height), viewport->width(), static_cast<int>(height));
        return QRect(viewport->mapToGlobal(local.topLeft()), local.size());
    }

private:
    int trackCount() const { return static_cast<int>(view_->engine().audioTrackArray().size()); }

    QPointer<TimelineView> view_;
    int index_;
};

// The timeline: a list whose first children are the track rows, then its own widgets
// (the viewport and the scroll bars).
class AccessibleTimeline : public QAccessibleWidget {
public:
    explicit AccessibleTimeline(TimelineView* view) : QAccessibleWidget(view, QAccessible::List) {}
    ~AccessibleTimeline() override {
        for (QAccessible::Id id : rows_)
            if (QAccessible::accessibleInterface(id)) QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return trackCount() + QAccessibleWidget::childCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0) return nullptr;
        if (index < trackCount()) return row(index);
        return QAccessibleWidget::child(index - trackCount());
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < std::min(trackCount(), static_cast<int>(rows_.size())); ++i)
            if (QAccessible::accessibleInterface(rows_[static_cast<size_t>(i)]) == child) return i;
        const int widget = QAccessibleWidget::indexOfChild(child);
        return widget < 0 ? -1 : widget + trackCount();
    }

private:
    TimelineView* view() const { return static_cast<TimelineView*>(widget()); }
    int trackCount() const { return static_cast<int>(view()->engine().audioTrackArray().size()); }
    // The rows' interfaces live in Qt's registry (which answers their ids to the screen
    // reader) and go with this one.
    QAccessibleInterface* row(int index) const {
        while (static_cast<int>(rows_.size()) <= index)
            rows_.push_back(QAccessible::registerAccessibleInterface(
                new AccessibleTrackRow(view(), static_cast<int>(rows_.size()))));
        return QAccessible::accessibleInterface(rows_[static_cast<size_t>(index)]);
    }

    mutable std::vector<QAccessible::Id> rows_;
};

QAccessibleInterface* viewFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType()) return nullptr;
    if (className == QLatin1String("wavomer::app::ZoomControl")) return new AccessibleZoom(static_cast<ZoomControl*>(object));
    if (className == QLatin1String("wavomer::app::TimeDisplay")) return new AccessibleTime(static_cast<TimeDisplay*>(object));
    if (className == QLatin1String("wavomer::app::TimelineView"))
        return new AccessibleTimeline(static_cast<TimelineView*>(object));
    if (className == QLatin1String("wavomer::app::AudioWaveView"))
        return new AccessibleLevelMeter(static_cast<AudioWaveView*>(object));
    if (className == QLatin1String("wavomer::app::RecordingStrip"))
        return new AccessibleRecordingStrip(static_cast<RecordingStrip*>(object));
    if (className == QLatin1String("wavomer::app::RulerView"))
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    return nullptr;
}

}  // namespace

void installAccessibleViews() {
    static const bool installed = [] {
        QAccessible::installFactory(viewFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace wavomer::app
