#include "exporting/ExportPanels.h"

#include <QApplication>
#include <QMessageBox>

#include "exporting/ExportController.h"
#include "exporting/HelpDocument.h"
#include "exporting/PreferencesWindowController.h"
#include "shell/Text.h"
#include "window/MainWindow.h"

namespace wavomer::app {

namespace {

void showAbout(MainWindow& window) {
    const QString name = QApplication::applicationName();
    QMessageBox::about(&window, Text::tr("About %1").arg(name),
                       Text::tr("<b>%1</b> %2<br>A multi-track audio editor.")
                           .arg(name.toHtmlEscaped(), QApplication::applicationVersion().toHtmlEscaped()));
}

// Hide: every window of the program leaves the screen (minimised; the desktop shows
// them again from its task list).
void hideApplication() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->isWindow()) widget->showMinimized();
}

}  // namespace

bool openExportPanel(MainWindow& window, const QString& id) {
    if (id == QLatin1String("convertAction")) ExportController::of(window).convertAction(false);
    else if (id == QLatin1String("convertOnMarksAction")) ExportController::of(window).convertAction(true);
    else if (id == QLatin1String("openId3SetAction")) ExportController::of(window).openId3SettingWindow();
    else if (id == QLatin1String("preferences")) PreferencesWindowController::showPreferenceWindow();
    else if (id == QLatin1String("helpDocument")) helpDocument();
    else if (id == QLatin1String("about")) showAbout(window);
    else if (id == QLatin1String("hideApplication")) hideApplication();
    else return false;
    return true;
}

}  // namespace wavomer::app
