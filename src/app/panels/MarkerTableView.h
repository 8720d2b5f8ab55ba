// MarkerTableView: the marker list's scrolled table, laying out one row per marker of the
// project in time order by the marker list rules. A row is made once per marker and
// reused: the marker keeps it in its itemView, trusted only while the table still holds
// that row.
//
// Threads: main thread.
#pragma once

#include <QWidget>
#include <vector>

#include "model/MarkerItem.h"

namespace wavomer {
class WaveEditViewController;
}

namespace wavomer::app {

class MarkerItemView;

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

}  // namespace wavomer::app
