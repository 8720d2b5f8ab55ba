// The commands of the main window: a command is a row of the command table; running it
// is a lookup and a call, an edit inside one user event. The bridge merges the user
// event's change notice into one refresh of the views and the command states.
#include <QAction>
#include <QMenu>
#include <algorithm>
#include <QFileInfo>

#include "actions/CommandTable.h"
#include "actions/WindowActions.h"
#include "base/Interaction.h"
#include "base/Program.h"
#include "base/RecentProjects.h"
#include "base/Text.h"
#include "engine/EditGesture.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "exporting/ExportController.h"
#include "panels/MarkerViewController.h"
#include "timeline/TimelineView.h"
#include "util/StandardPaths.h"
#include "window/MainWindow.h"
#include "window/ZoomControl.h"

namespace wavomer::app {

void MainWindow::runCommand(std::string_view id) {
    const CommandRow* row = commandRow(id);
    if (!row) return;
    // A command whose rule does not hold (a shortcut that arrived before the refresh) is
    // not run.
    if (QAction* action = actions_->action(row->id()); action && !action->isEnabled()) return;
    if (row->kind == CommandKind::edit) {
        UserEvent event(document_->engine());
        row->run(context_);
    } else {
        row->run(context_);
    }
}

void MainWindow::fillRecentMenu(QMenu& menu) {
    menu.clear();
    const std::vector<std::string> folders = recentProjects();
    for (const std::string& folder : folders) {
        const QString shown = Document::pathText(folder);
        QAction* open = menu.addAction(QFileInfo(shown).completeBaseName());
        open->setToolTip(shown);
        open->setStatusTip(shown);
        connect(open, &QAction::triggered, this, [this, folder] { context_.program.openProjectAt(folder); });
    }
    menu.addSeparator();
    QAction* clear = menu.addAction(Text::tr("Clear Menu"));
    clear->setEnabled(!folders.empty());
    connect(clear, &QAction::triggered, this, [] { clearRecentProjects(); });
}

void MainWindow::importWithDialog() {
    FileChoice choice;
    choice.title = Text::tr("Import");
    const QString path = interaction_.chooseFile(this, choice);
    if (!path.isEmpty()) importFile(path);
}

void MainWindow::zoomBy(float step) { zoom_->applyValue(zoom_->value() + step); }

void MainWindow::zoomToFit() {
    const double length = document_->engine().farestTrackEndTime();
    if (!(length > 0.0)) return;
    // A pixel short of the width, so that rounding leaves no scroll bar with nothing to scroll.
    zoom_->applyValue(zoomValueShowing(length, timeline_->visibleRegion().width - 1.0));
    timeline_->setVisibleOriginX(0.0);
}

void MainWindow::zoomToSelection() {
    WaveEditViewController& engine = document_->engine();
    const double start = std::min(engine.selectedTimelineStartTime(), engine.selectedTimelineEndTime());
    const double end = std::max(engine.selectedTimelineStartTime(), engine.selectedTimelineEndTime());
    if (!(end > start)) return;
    zoom_->applyValue(zoomValueShowing(end - start, timeline_->visibleRegion().width));
    timeline_->setVisibleOriginX(engine.timeToPointX(start));
}

void MainWindow::exportProject(bool onMarkers) { exports_->convertAction(onMarkers); }

void MainWindow::openTags() { exports_->openId3SettingWindow(); }

void MainWindow::importFile(const QString& path) {
    if (!canImportNow()) return;
    QPointer<MainWindow> self(this);
    const QString name = QFileInfo(path).fileName();
    importName_ = name;
    document_->import(path, [self, name](Outcome<> outcome) {
        if (!self) return;
        if (!outcome.ok())
            self->interaction_.tell(self, Text::tr("The file \"%1\" could not be imported.").arg(name),
                                    outcome.failure());
    });
}

void MainWindow::openFolder(const std::string& folder, std::function<void(Outcome<>)> done) {
    openingFolder_ = folder;
    QPointer<MainWindow> self(this);
    document_->open(folder, [self, done](Outcome<> outcome) {
        if (self) self->openingFolder_.clear();
        if (done) done(outcome);
    });
}

bool MainWindow::save() {
    if (document_->isUntitled()) return saveAs();
    const std::string folder = document_->pathBytes();
    SaveOptions options;
    if (document_->saveTarget(folder) == SaveTarget::ChangedOnDisk) {
        // Another program saved this project since it was opened or saved here.
        const QString message = Text::tr("The project \"%1\" was changed by another program since it was opened "
                                         "or saved here. Saving overwrites those changes.")
                                    .arg(document_->displayName());
        Question question;
        question.kind = Question::Kind::warning;
        question.title = Text::tr("Wavomer");
        question.text = message;
        question.answers = {Text::tr("Overwrite"), Text::tr("Save As..."), Text::tr("Cancel")};
        question.defaultAnswer = 1;
        question.destructiveAnswer = 0;
        const int answer = interaction_.confirm(this, question);
        if (answer == 2) return false;
        if (answer == 1) return saveAs();
        options.overwriteChanged = true;
    }
    return saveInto(folder, options);
}

bool MainWindow::saveInto(const std::string& folder, SaveOptions options) {
    const Outcome<Warnings> outcome = document_->saveTo(folder, options);
    if (outcome) interaction_.tellWarnings(this, Text::tr("The project was saved with warnings."), *outcome);
    else interaction_.tell(this, Text::tr("The project could not be saved."), outcome.failure());
    if (outcome) rememberRecentProject(folder);
    refreshState();
    return outcome.ok();
}

bool MainWindow::saveAs() {
    FileChoice choice;
    choice.title = Text::tr("Save As");
    choice.start = QString::fromStdString(FileManagerExtention::defaultSaveDocumentPath()) + QLatin1Char('/') +
                   document_->displayName() + QStringLiteral(".wvmp");
    choice.filter = Text::tr("Wavomer Projects (*.wvmp)");
    choice.forSaving = true;
    QString folder = interaction_.chooseFile(this, choice);
    if (folder.isEmpty()) return false;
    if (!folder.endsWith(QStringLiteral(".wvmp"), Qt::CaseInsensitive)) folder += QStringLiteral(".wvmp");
    if (!document_->isUntitled() && document_->state().isAt(Document::pathBytes(folder))) return save();
    SaveOptions options;
    if (QFileInfo::exists(folder)) {
        const QString message =
            Text::tr("\"%1\" already exists. Do you want to replace it?").arg(QFileInfo(folder).fileName());
        Question question;
        question.kind = Question::Kind::warning;
        question.title = Text::tr("Save As");
        question.text = message;
        question.details = Text::tr("Its tracks, markers and audio are replaced by this project's.");
        question.answers = {Text::tr("Replace"), Text::tr("Cancel")};
        // Return keeps the other project: replacing takes a deliberate choice.
        question.defaultAnswer = 1;
        question.destructiveAnswer = 0;
        const bool replace = interaction_.confirm(this, question) == 0;
        if (!replace) return false;
        options.replaceOtherProject = true;
    }
    return saveInto(Document::pathBytes(folder), options);
}

void MainWindow::changeSlideZoomValue(float value) {
    WaveEditViewController& engine = document_->engine();
    UserEvent event(engine);
    engine.isImporting = true;
    engine.updateCurrentMiddleCenterTime();
    engine.audioEditControllerUndoCurrentPixelPerSecond(value);
    zoom_->setValue(value);
}

void MainWindow::toggleMarkerList() {
    markerListShown_ = !markerListShown_;
    markerList_->setShown(markerListShown_);
    actions_->setMarkerListShown(markerListShown_);
}

}  // namespace wavomer::app
