#include "panels/MarkerTableView.h"

#include "panels/MarkerItemView.h"

#include <algorithm>

#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "rules/MarkerListRules.h"
#include "base/Palette.h"
#include "base/Text.h"

namespace wavomer::app {

MarkerTableView::MarkerTableView(WaveEditViewController& engine, QWidget* parent) : QWidget(parent), engine_(engine) {}

MarkerItemView* MarkerTableView::rowOf(const MarkerItem& marker) const {
    auto* candidate = static_cast<MarkerItemView*>(marker.itemView);
    if (!candidate) return nullptr;
    // The pointer is only trusted while it is one of this table's rows showing that marker.
    if (std::find(rows_.begin(), rows_.end(), candidate) == rows_.end()) return nullptr;
    return candidate->marker().get() == &marker ? candidate : nullptr;
}

void MarkerTableView::reloadView(int scrollHeight) {
    const std::vector<MarkerPtr>& markers = engine_.markArray();
    resize(width(), static_cast<int>(rules::markerTableHeight(markers.size(), scrollHeight)));
    // Rows whose marker left the list go.
    std::vector<MarkerItemView*> kept;
    for (MarkerItemView* row : rows_) {
        const MarkerPtr marker = row->marker();
        if (marker && std::find(markers.begin(), markers.end(), marker) != markers.end()) kept.push_back(row);
        else delete row;
    }
    rows_ = std::move(kept);
    std::vector<MarkerItemView*> ordered;
    ordered.reserve(markers.size());
    for (size_t i = 0; i < markers.size(); ++i) {
        MarkerItemView* row = rowOf(*markers[i]);
        if (!row) {
            row = new MarkerItemView(engine_, this);
            row->setMarker(markers[i]);
            markers[i]->itemView = row;
            connect(row, &MarkerItemView::clicked, this, &MarkerTableView::rowClicked);
            rows_.push_back(row);
        }
        row->setMarker(markers[i]);  // the time may have changed
        const rules::MarkerRowFrame frame = rules::markerRowFrame(i, width());
        row->setGeometry(static_cast<int>(frame.x), static_cast<int>(frame.y), static_cast<int>(frame.width),
                         static_cast<int>(frame.height));
        row->show();
        row->update();
        ordered.push_back(row);
    }
    rows_ = std::move(ordered);
    update();
}

}  // namespace wavomer::app
