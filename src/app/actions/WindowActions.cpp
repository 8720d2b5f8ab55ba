#include "actions/WindowActions.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>

#include "base/Text.h"

namespace wavomer::app {

WindowActions::WindowActions(QObject* parent) : QObject(parent) {
    std::size_t count = 0;
    const CommandRow* rows = commandRows(&count);
    for (std::size_t i = 0; i < count; ++i) {
        const CommandRow& row = rows[i];
        const std::string_view name = row.id();
        const QString id = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        QString title = text(row.text);
        if (title.contains(QLatin1String("%1"))) title = title.arg(QCoreApplication::applicationName());
        auto* action = new QAction(title, parent);
        action->setObjectName(id);
        action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut), QKeySequence::PortableText));
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, id] { emit triggered(id); });
        actions_.insert(id, action);
    }
}

QAction* WindowActions::action(std::string_view id) const {
    return actions_.value(QString::fromUtf8(id.data(), static_cast<qsizetype>(id.size())), nullptr);
}

void WindowActions::refresh(const StateFlags& flags, const EditState& edit, bool isRecording) {
    std::size_t count = 0;
    const CommandRow* rows = commandRows(&count);
    for (std::size_t i = 0; i < count; ++i)
        if (QAction* a = action(rows[i].id())) a->setEnabled(commandEnabled(rows[i], flags, edit, isRecording));
}

void WindowActions::setMarkerListShown(bool shown) {
    if (QAction* a = action("showMarkerViewController"))
        a->setText(shown ? Text::tr("Close Marker List") : Text::tr("Show Marker List"));
}

}  // namespace wavomer::app
