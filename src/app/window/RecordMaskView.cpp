#include "window/RecordMaskView.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

RecordMaskView::RecordMaskView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("RecordMaskView"));
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(Text::tr("Recording"));
    setAccessibleDescription(Text::tr("Press Space or Return to stop the recording."));
    hide();
}

void RecordMaskView::cover(const QRect& area, const QRect& hole) {
    setGeometry(area);
    QRegion region(rect());
    if (!hole.isEmpty()) region -= QRegion(hole.translated(-area.topLeft()));
    setMask(region);
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
    // The closing panel hands the focus back to where it came from; take it after that.
    QTimer::singleShot(0, this, [this] {
        if (!isVisible()) return;
        if (!window()->isActiveWindow()) window()->activateWindow();
        setFocus(Qt::OtherFocusReason);
    });
}

void RecordMaskView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette::kRecordMask);
}

void RecordMaskView::mousePressEvent(QMouseEvent* event) { event->accept(); }
void RecordMaskView::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
void RecordMaskView::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }
void RecordMaskView::wheelEvent(QWheelEvent* event) { event->accept(); }

void RecordMaskView::keyPressEvent(QKeyEvent* event) {
    event->accept();
    const int key = event->key();
    if (!event->isAutoRepeat() && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter))
        emit stopRequested();
}

void RecordMaskView::keyReleaseEvent(QKeyEvent* event) { event->accept(); }

void RecordMaskView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // The mask keeps the focus for as long as it is shown; a popup or a message box
    // that took it gives it back when it goes.
    if (isVisible() && event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && window()->isActiveWindow()) setFocus(Qt::OtherFocusReason);
        });
}

bool RecordMaskView::focusNextPrevChild(bool) { return false; }

bool RecordMaskView::event(QEvent* event) {
    // Shortcuts (undo, redo, save and every other) do not reach the window past the mask.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

}  // namespace wavomer::app
