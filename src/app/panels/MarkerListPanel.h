// The marker list: a side panel at the right edge of the editing area with one row per
// marker of the project, in time order, each showing the marker's time; the selected
// marker's row is highlighted. A click on a row selects that marker (moving the cursor
// to it) and centres the cursor in the rows when it is out of view.
//
// MarkerViewController is the panel (background, scroll area, slide in and out);
// MarkerTableView the scrolled table laying out the rows; MarkerItemView one row. A row
// is made once per marker and reused: the marker keeps it in its itemView, trusted only
// while the table still holds that row. Geometry comes from the marker list rules.
//
// Threads: main thread.
#pragma once

#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>
#include <memory>
#include <vector>

#include "model/MarkerItem.h"

class QScrollArea;

namespace wavomer {
class WaveEditViewController;
}

namespace wavomer::app {

class MarkerTableView;

class MarkerItemView : public QWidget {
    Q_OBJECT
public:
    MarkerItemView(WaveEditViewController& engine, QWidget* parent);
    ~MarkerItemView() override;
    MarkerPtr marker() const { return marker_.lock(); }
    void setMarker(const MarkerPtr& marker);
    bool isSelectedMarker() const;

signals:
    void clicked(MarkerItemView* row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    WaveEditViewController& engine_;
    std::weak_ptr<MarkerItem> marker_;
};

class MarkerTableView : public QWidget {
    Q_OBJECT
public:
    MarkerTableView(WaveEditViewController& engine, QWidget* parent);
    // Lays out one row per marker of the engine's list; rows of markers that left it go.
    void reloadView(int scrollHeight);
    const std::vector<MarkerItemView*>& rows() const { return rows_; }
    MarkerItemView* rowOf(const MarkerItem& marker) const;

signals:
    void rowClicked(MarkerItemView* row);

private:
    WaveEditViewController& engine_;
    std::vector<MarkerItemView*> rows_;  // in list order after each reload
};

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
