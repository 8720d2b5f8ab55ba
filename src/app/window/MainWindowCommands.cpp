// The commands of the main window: each runs inside one user event of the engine and
// the refresh of the enabled states follows it, queued and merged by the bridge.
#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>

#include "actions/WindowActions.h"
#include "bridge/EngineBridge.h"
#include "engine/EditActions.h"
#include "engine/PlaybackController.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "exporting/ExportPanels.h"
#include "panels/EditPanels.h"
#include "panels/MarkerListPanel.h"
#include "shell/FailurePresenter.h"
#include "shell/Text.h"
#include "timeline/TimelineView.h"
#include "util/StandardPaths.h"
#include "window/MainWindow.h"
#include "window/ZoomControl.h"

namespace wavomer::app {

void MainWindow::runCommand(const QString& id) {
    // A command whose rule does not hold (a shortcut that arrived before the refresh) is
    // not run.
    if (QAction* action = actions_->action(id.toStdString()); action && !action->isEnabled()) return;
    WaveEditViewController& engine = document_->engine();
    PlaybackController& playback = document_->playback();

    if (id == "newProject") return emit newProjectRequested();
    if (id == "openProject") return emit openProjectRequested();
    if (id == "save") return void(save());
    if (id == "saveAs") return void(saveAs());
    if (id == "close") return void(close());
    if (id == "quit") return emit quitRequested();
    if (id == "importAudioAction") {
        const QString path = QFileDialog::getOpenFileName(this, Text::tr("Import"));
        if (!path.isEmpty()) importFile(path);
        return;
    }
    if (id == "zoomIn") return zoom_->applyValue(zoom_->value() + 1.0f);
    if (id == "zoomOut") return zoom_->applyValue(zoom_->value() - 1.0f);
    if (id == "showMarkerViewController") return showMarkerViewController();
    if (openEditPanel(*this, id) || openExportPanel(*this, id)) return;
    if (id == "recordButtonAction") return recordButtonAction();

    {
        UserEvent event(engine);
        if (id == "playOrPause") playback.playOrPause();
        else if (id == "addMarkAction") EditActions::addMarkAction(engine);
        else if (id == "lastMarkAction") EditActions::lastMarkAction(engine);
        else if (id == "nextMarkAction") EditActions::nextMarkAction(engine);
        else if (id == "addTrackFunction") EditActions::addTrackFunction(engine);
        else if (id == "deleteTrackFunction") EditActions::deleteTrackFunction(engine);
        else if (id == "muteButtonAction") EditActions::muteButtonAction(engine);
        else if (id == "fadeInButtonAction") EditActions::fadeInButtonAction(engine);
        else if (id == "fadeOutButtonAction") EditActions::fadeOutButtonAction(engine);
        else if (id == "undo") document_->undo().undo();
        else if (id == "redo") document_->undo().redo();
        else if (id == "cut") engine.cutSectionsAction();
        else if (id == "copy") engine.copySectionsAction();
        else if (id == "paste") engine.pasteSectionsAction();
        else if (id == "delete") EditActions::deleteKeyAction(engine);
        else if (id == "selectAll") engine.selectAllAction();
        if (id == "lastMarkAction" || id == "nextMarkAction") timeline_->keepCursorVisible();
        engine.host().flushButtonStates();
    }
    if (id == "muteButtonAction" || id == "fadeInButtonAction" || id == "fadeOutButtonAction" || id == "delete" ||
        id == "cut" || id == "paste" || id == "undo" || id == "redo")
        timeline_->reloadView();
    else
        timeline_->redrawAll();
}

void MainWindow::importFile(const QString& path) {
    if (!canImportNow()) return;
    QPointer<MainWindow> self(this);
    const QString name = QFileInfo(path).fileName();
    importName_ = name;
    document_->import(path, [self, name](Outcome<> outcome) {
        if (!self) return;
        if (!outcome.ok())
            showFailure(self, Text::tr("The file \"%1\" could not be imported.").arg(name), outcome.failure());
        self->refreshState();
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
        ChangedOnDiskAnswer answer = ChangedOnDiskAnswer::Cancel;
        if (changedOnDiskPrompt) {
            answer = changedOnDiskPrompt(message);
        } else {
            QMessageBox box(QMessageBox::Warning, Text::tr("Wavomer"), message, QMessageBox::NoButton, this);
            QPushButton* overwrite = box.addButton(Text::tr("Overwrite"), QMessageBox::DestructiveRole);
            QPushButton* elsewhere = box.addButton(Text::tr("Save As..."), QMessageBox::AcceptRole);
            box.addButton(Text::tr("Cancel"), QMessageBox::RejectRole);
            box.setDefaultButton(elsewhere);
            box.exec();
            answer = box.clickedButton() == overwrite   ? ChangedOnDiskAnswer::Overwrite
                     : box.clickedButton() == elsewhere ? ChangedOnDiskAnswer::SaveAs
                                                        : ChangedOnDiskAnswer::Cancel;
        }
        if (answer == ChangedOnDiskAnswer::Cancel) return false;
        if (answer == ChangedOnDiskAnswer::SaveAs) return saveAs();
        options.overwriteChanged = true;
    }
    return saveInto(folder, options);
}

bool MainWindow::saveInto(const std::string& folder, SaveOptions options) {
    const Outcome<Warnings> outcome = document_->saveTo(folder, options);
    if (outcome) showWarnings(this, Text::tr("The project was saved with warnings."), *outcome);
    else showFailure(this, Text::tr("The project could not be saved."), outcome.failure());
    refreshState();
    return outcome.ok();
}

bool MainWindow::saveAs() {
    QString folder;
    if (saveFolderPrompt) {
        folder = saveFolderPrompt();
    } else {
        const QString start = QString::fromStdString(FileManagerExtention::defaultSaveDocumentPath()) + QLatin1Char('/') +
                              document_->displayName() + QStringLiteral(".wvmp");
        // The dialog's own question would see the name before ".wvmp" is added: ours asks below.
        folder = QFileDialog::getSaveFileName(this, Text::tr("Save As"), start, Text::tr("Wavomer Projects (*.wvmp)"), nullptr,
                                              QFileDialog::DontConfirmOverwrite);
    }
    if (folder.isEmpty()) return false;
    if (!folder.endsWith(QStringLiteral(".wvmp"), Qt::CaseInsensitive)) folder += QStringLiteral(".wvmp");
    if (!document_->isUntitled() && document_->state().isAt(Document::pathBytes(folder))) return save();
    SaveOptions options;
    if (QFileInfo::exists(folder)) {
        const QString message =
            Text::tr("\"%1\" already exists. Do you want to replace it?").arg(QFileInfo(folder).fileName());
        bool replace = false;
        if (replacePrompt) {
            replace = replacePrompt(message);
        } else {
            QMessageBox box(QMessageBox::Warning, Text::tr("Save As"), message, QMessageBox::NoButton, this);
            box.setInformativeText(Text::tr("Its tracks, markers and audio are replaced by this project's."));
            QPushButton* yes = box.addButton(Text::tr("Replace"), QMessageBox::DestructiveRole);
            // Return keeps the other project: replacing takes a deliberate choice.
            box.setDefaultButton(box.addButton(Text::tr("Cancel"), QMessageBox::RejectRole));
            box.exec();
            replace = box.clickedButton() == yes;
        }
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

void MainWindow::showMarkerViewController() {
    markerListShown_ = !markerListShown_;
    markerList_->setShown(markerListShown_);
    actions_->setMarkerListShown(markerListShown_);
}

}  // namespace wavomer::app
