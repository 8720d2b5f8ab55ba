// RecordMaskView: the veil over the window's tool area while a recording runs. It is
// black at 60 % opacity, lets only the record button ("Stop Record") through, swallows
// every press and key (so nothing edits the project under the recording) and holds the
// keyboard focus. Space and Return are the one way it lets the keyboard stop the
// recording, since the focus cannot reach the button.
//
// Threads: main thread.
#pragma once

#include <QWidget>

namespace wavomer::app {

class RecordMaskView : public QWidget {
    Q_OBJECT
public:
    explicit RecordMaskView(QWidget* parent);
    // Covers area (in the parent's coordinates) except the hole left for the button.
    void cover(const QRect& area, const QRect& hole);

signals:
    void stopRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool event(QEvent* event) override;
};

}  // namespace wavomer::app
