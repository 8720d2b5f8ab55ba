// The marker list: a side panel at the right edge of the editing area with one row per
// marker of the project, in time order, each showing the marker's time; the selected
// marker's row is highlighted. A click on a row selects that marker (moving the cursor
// to it) and centres the cursor in the rows when it is out of view.
//
// MarkerViewController is the panel (background, scroll area, slide in and out); its
// table is a MarkerTableView of MarkerItemView rows. Geometry comes from the marker list
// rules.
//
// Threads: main thread.
#pragma once

#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>
#include <memory>
#include <vector>

#include "model/MarkerItem.h"
#include "panels/MarkerItemView.h"
#include "panels/MarkerTableView.h"

class QScrollArea;

namespace wavomer {
class WaveEditViewController;
}

namespace wavomer::app {

class MarkerTableView;

class MarkerViewController : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 220;

    MarkerViewController(WaveEditViewController& engine, QWidget* parent = nullptr);

    MarkerTableView& tableView() { return *table_; }
    QScrollArea& scrollView() { return *scroll_; }
    // Shows or hides the panel; it slides in from the right edge and back out.
    void setShown(bool shown, bool animated = true);
    bool isShown() const { return shown_; }
    // Whether the slide has come to rest.
    bool isSettled() const { return animation_.state() != QAbstractAnimation::Running; }
    // Gets the keyboard focus after a row was clicked (the rows).
    QPointer<QWidget> focusTarget;

public slots:
    void updateMarkerWindowShow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void selectRow(MarkerItemView* row);

    WaveEditViewController& engine_;
    QScrollArea* scroll_ = nullptr;
    MarkerTableView* table_ = nullptr;
    QVariantAnimation animation_;
    bool shown_ = false;
};

}  // namespace wavomer::app
