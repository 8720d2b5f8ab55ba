// MarkerItemView: one row of the marker list: the marker's time and name, highlighted
// while it is the selected marker; a click on it asks the table to select that marker, a
// double click (or Return while the row has the focus) edits the name in place: Return or
// leaving the field names the marker as one undo step, Escape keeps the old name.
//
// Threads: main thread.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include <QLineEdit>

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
    // Opens the name field over the row; the field while it is open.
    void editName();
    QLineEdit* nameEditor() const { return editor_.data(); }

signals:
    void clicked(MarkerItemView* row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void finishEditing(bool keep);
    QString rowText() const;

    WaveEditViewController& engine_;
    std::weak_ptr<MarkerItem> marker_;
    QPointer<QLineEdit> editor_;
};

}  // namespace wavomer::app
