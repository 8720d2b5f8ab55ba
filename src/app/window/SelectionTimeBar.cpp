#include "window/SelectionTimeBar.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "base/Text.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"

namespace wavomer::app {

namespace {
constexpr rules::TimeField kFields[] = {rules::TimeField::start, rules::TimeField::end, rules::TimeField::length,
                                        rules::TimeField::cursor};
}  // namespace

SelectionTimeBar::SelectionTimeBar(WaveEditViewController& engine, QWidget* parent)
    : QWidget(parent), engine_(engine) {
    setObjectName(QStringLiteral("selectionTimeBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 3, 8, 3);
    layout->setSpacing(6);
    const struct {
        const char* label;
        const char* name;
    } shown[] = {{QT_TRANSLATE_NOOP("text", "Start"), QT_TRANSLATE_NOOP("text", "Selection Start")},
                 {QT_TRANSLATE_NOOP("text", "End"), QT_TRANSLATE_NOOP("text", "Selection End")},
                 {QT_TRANSLATE_NOOP("text", "Length"), QT_TRANSLATE_NOOP("text", "Selection Length")},
                 {QT_TRANSLATE_NOOP("text", "Cursor"), QT_TRANSLATE_NOOP("text", "Cursor")}};
    for (int i = 0; i < 4; ++i) {
        // The cursor stands apart from the three selection times.
        if (i == 3) layout->addStretch(1);
        auto* label = new QLabel(text(shown[i].label), this);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(shown[i].name).remove(QLatin1Char(' ')));
        edit->setAccessibleName(text(shown[i].name));
        edit->setToolTip(Text::tr("Type a time as 65.2, 1:05.2 or 00:01:05.200"));
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00.0000")) + 16);
        label->setBuddy(edit);
        layout->addWidget(label);
        layout->addWidget(edit);
        if (i < 2) layout->addSpacing(8);
        fields_[i] = edit;
        const rules::TimeField which = kFields[i];
        connect(edit, &QLineEdit::editingFinished, this, [this, which] { apply(which); });
    }
    refresh();
}

QLineEdit& SelectionTimeBar::field(rules::TimeField which) const { return *fields_[static_cast<int>(which)]; }

rules::SelectionTimes SelectionTimeBar::shownTimes() const {
    const double a = engine_.selectedTimelineStartTime(), b = engine_.selectedTimelineEndTime();
    return {std::min(a, b), std::max(a, b), engine_.currentTimelineTime()};
}

void SelectionTimeBar::refresh() {
    const rules::SelectionTimes times = shownTimes();
    const double values[] = {times.start, times.end, times.end - times.start, times.cursor};
    for (int i = 0; i < 4; ++i) {
        QLineEdit* edit = fields_[i];
        if (edit->hasFocus() && edit->isModified()) continue;
        const QString shown = QString::fromStdString(rules::selectionTimeText(values[i]));
        if (edit->text() != shown) edit->setText(shown);
    }
}

void SelectionTimeBar::apply(rules::TimeField which) {
    QLineEdit& edit = field(which);
    if (!edit.isModified()) return;
    edit.setModified(false);
    const std::optional<double> typed = rules::parseTypedTime(edit.text().toStdString());
    if (!typed) {
        QApplication::beep();
        refresh();
        return;
    }
    const rules::SelectionTimes before = shownTimes();
    const rules::SelectionTimes after = rules::applyTypedTime(before, which, *typed, engine_.farestTrackEndTime());
    {
        UserEvent event(engine_);
        if (which == rules::TimeField::cursor) {
            engine_.updateCurrentTimelineTime(after.cursor);
            engine_.host().seekPlayerCurrentTime(after.cursor);
        } else {
            engine_.setSelection(after.start, after.end);
        }
    }
    refresh();
}

}  // namespace wavomer::app
