// SelectionTimeBar: the selection's Start, End and Length and the cursor, as
// hh:mm:ss.mmm in four fields under the toolbars, always in view. Each field follows the
// engine (drags, playback, edits) and takes a typed time: Return or leaving the field
// applies it as one user event; a time that does not read as one is put back.
//
// Threads: main thread.
#pragma once

#include <QWidget>

#include "rules/WindowRules.h"

class QLineEdit;

namespace wavomer {
class WaveEditViewController;
}

namespace wavomer::app {

class SelectionTimeBar : public QWidget {
    Q_OBJECT
public:
    explicit SelectionTimeBar(WaveEditViewController& engine, QWidget* parent = nullptr);
    // Shows the engine's times; a field being typed into keeps what is typed.
    void refresh();
    QLineEdit& field(rules::TimeField which) const;

private:
    void apply(rules::TimeField which);
    rules::SelectionTimes shownTimes() const;

    WaveEditViewController& engine_;
    QLineEdit* fields_[4] = {};
};

}  // namespace wavomer::app
