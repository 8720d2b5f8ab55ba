// The window's QActions, one per row of the command table, with their translated text
// and shortcut. refresh() sets every action's enabled state from the rows' rules; the
// window calls it when the bridge announces that the state flags changed.
//
// Threads: main thread.
#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include "actions/CommandTable.h"

class QAction;

namespace wavomer::app {

class WindowActions : public QObject {
    Q_OBJECT
public:
    explicit WindowActions(QObject* parent);

    QAction* action(std::string_view id) const;
    QList<QAction*> allActions() const { return actions_.values(); }
    void refresh(const StateFlags& flags, const EditState& edit, bool isRecording);
    // The marker list command's text: "Close Marker List" while shown.
    void setMarkerListShown(bool shown);

signals:
    // A command was chosen (menu, toolbar or shortcut).
    void triggered(const QString& id);

private:
    QHash<QString, QAction*> actions_;
};

}  // namespace wavomer::app
