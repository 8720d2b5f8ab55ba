// MarkerItemView: one row of the marker list: the marker's time, highlighted while it is
// the selected marker; a click on it asks the table to select that marker.
//
// Threads: main thread.
#pragma once

#include <QWidget>
#include <memory>

#include "model/MarkerItem.h"

namespace wavomer {
class WaveEditViewController;
}

namespace wavomer::app {

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

}  // namespace wavomer::app
