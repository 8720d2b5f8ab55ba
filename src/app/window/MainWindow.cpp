#include "window/MainWindow.h"

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QStyle>
#include <QHBoxLayout>
#include <QToolBar>
#include <QToolButton>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "actions/WindowActions.h"
#include "base/Interaction.h"
#include "base/Palette.h"
#include "base/Preferences.h"
#include "base/Text.h"
#include "bridge/EngineBridge.h"
#include "config/UserConfig.h"
#include "engine/EditGesture.h"
#include "engine/PlaybackController.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "engine/WindowState.h"
#include "exporting/ExportController.h"
#include "panels/MarkerViewController.h"
#include "panels/RecordPanel.h"
#include "recovery/RecoverySession.h"
#include "rules/WindowRules.h"
#include "timeline/QuickLookWaveView.h"
#include "timeline/RulerView.h"
#include "timeline/TimelineView.h"
#include "util/StandardPaths.h"
#include "window/AccessibleViews.h"
#include "window/RecordMaskView.h"
#include "window/RecordingStrip.h"
#include "window/SelectionTimeBar.h"
#include "window/TimeDisplay.h"
#include "window/ZoomControl.h"

namespace wavomer::app {

namespace {

// The rows' view, made once assistive technology is told what the self-drawn views are
// (an accessible made before would be Qt's plain one, and kept).
TimelineView* rowsOf(Document& document) {
    installAccessibleViews();
    return new TimelineView(document);
}

}  // namespace

MainWindow::MainWindow(std::unique_ptr<Document> document, Interaction& interaction, Program& program,
                       QWidget* parent)
    : QMainWindow(parent),
      document_(std::move(document)),
      interaction_(interaction),
      timeline_(rowsOf(*document_)),
      context_{*document_, interaction, this, *timeline_, *this, program} {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("MainWindow"));
    WaveEditViewController& engine = document_->engine();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The overview spans the window above the editing area; the marker list slides in
    // at the editing area's right edge, narrowing the ruler and the rows.
    timeline_->setParent(central);
    ruler_ = new RulerView(*document_, *timeline_, true, central);
    overview_ = new QuickLookWaveView(engine, *timeline_, central);
    markerList_ = new MarkerViewController(engine, central);
    markerList_->focusTarget = timeline_;
    auto* editing = new QHBoxLayout;
    editing->setContentsMargins(0, 0, 0, 0);
    editing->setSpacing(0);
    auto* rows = new QVBoxLayout;
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addWidget(ruler_);
    rows->addWidget(timeline_, 1);
    editing->addLayout(rows, 1);
    editing->addWidget(markerList_);
    // The selection's times sit under the toolbars, outside them, so they never overflow.
    timeBar_ = new SelectionTimeBar(engine, central);
    layout->addWidget(timeBar_);
    // A take shows its time and level in the time bar's place.
    recordingStrip_ = new RecordingStrip(central);
    recordingStrip_->setFixedHeight(timeBar_->sizeHint().height());
    recordingStrip_->hide();
    layout->addWidget(recordingStrip_);
    layout->addWidget(overview_);
    layout->addLayout(editing, 1);
    setCentralWidget(central);
    const QColor colour = Preferences::shared().waveColor();
    timeline_->setWaveColor(colour);
    overview_->setWaveColor(colour);
    connect(&Preferences::shared(), &Preferences::waveColorChanged, this, [this](const QColor& changed) {
        timeline_->setWaveColor(changed);
        overview_->setWaveColor(changed);
        timeline_->redrawAll();
        overview_->reloadView();
    });
    timeline_->canImport = [this] { return canImportNow(); };

    actions_ = new WindowActions(this);
    zoom_ = new ZoomControl(this);
    time_ = new TimeDisplay(this);
    exports_ = new ExportController(context_, this);
    record_ = new RecordPanel(context_, UserConfig::share());
    record_->startRecordAction = [this] { doSomethingWhenStartRecordAction(); };
    record_->stopRecordAction = [this] { doSomethingWhenStopRecordAction(); };
    record_->recordingStartedAction = [this](const std::string& file) {
        // The recovery folder names the running recording, for a crash before its stop.
        WaveEditViewController& engine = document_->engine();
        std::vector<int64_t> tracks;
        const auto& all = engine.audioTrackArray();
        for (const auto& track : engine.timelineTrackArray())
            if (auto at = std::find(all.begin(), all.end(), track); at != all.end()) tracks.push_back(at - all.begin());
        document_->recovery().setRecording(file, engine.recordStartTime, std::move(tracks));
    };
    connect(record_, &RecordPanel::recordingChanged, this, &MainWindow::refreshState);
    connect(record_, &RecordPanel::recordingProgressed, recordingStrip_, &RecordingStrip::progress);
    recordMask_ = new RecordMaskView(this);
    connect(recordMask_, &RecordMaskView::stopRequested, this, &MainWindow::recordButtonAction);
    buildMenusAndToolbar();
    wireBridge();

    playTimer_.setTimerType(Qt::PreciseTimer);
    connect(&playTimer_, &QTimer::timeout, this, [this] { document_->playback().updateWaveViewWhenPlay(); });
    connect(zoom_, &ZoomControl::zoomApplied, this, &MainWindow::changeSlideZoomValue);
    connect(timeline_, &TimelineView::fileDropped, this, &MainWindow::importFile);
    connect(timeline_, &TimelineView::commandRequested, this,
            [this](const QString& id) { runCommand(id.toStdString()); });
    connect(timeline_, &TimelineView::zoomWheelTurned, this, [this](double deltaY) {
        // A notch is applied even where the scale ends (1 or 70): the value is kept and
        // the view is drawn again around its middle.
        zoom_->applyValue(wheelZoomValue(zoom_->value(), deltaY));
    });
    connect(timeline_, &TimelineView::scrolled, ruler_, qOverload<>(&QWidget::update));
    // The ruler's ticks follow the content: a scroll moves its pixels and paints the strip it
    // uncovers, as the rows do.
    connect(timeline_, &TimelineView::contentScrolled, ruler_, [this](int dx) { ruler_->scroll(dx, 0); });
    connect(timeline_, &TimelineView::scrolled, overview_, &QuickLookWaveView::visibleRegionChanged);
    connect(timeline_, &TimelineView::contentScrolled, overview_, &QuickLookWaveView::visibleRegionChanged);
    connect(actions_, &WindowActions::triggered, this, [this](const QString& id) { runCommand(id.toStdString()); });
    // Paste follows the desktop's clipboard: a cut in another window or program enables it.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &MainWindow::refreshState);
    connect(document_.get(), &Document::pathChanged, this, &MainWindow::updateTitle);

    // The first size where it fits, centred on the screen's free area.
    if (const QScreen* shown = screen()) {
        const QRect room = shown->availableGeometry();
        const rules::WindowSize size = rules::firstWindowSize(room.width(), room.height());
        resize(std::max(size.width, minimumSizeHint().width()), std::max(size.height, minimumSizeHint().height()));
        move(room.center() - QPoint(width() / 2, height() / 2));
    } else {
        resize(rules::kWindowWidth, rules::kWindowHeight);
    }
    timeline_->reloadView();
    time_->setShowTime(static_cast<float>(engine.currentTimelineTime()));
    updateTitle();
    refreshState();
}

MainWindow::~MainWindow() {
    playTimer_.stop();
    EngineBridge& bridge = document_->bridge();
    bridge.attachWindow(nullptr);
    bridge.disconnect(this);
    // The document (and with it any running conversion) goes before the views.
    document_.reset();
}

void MainWindow::buildMenusAndToolbar() {
    const struct {
        Menu menu;
        const char* title;
    } menus[] = {{Menu::file, QT_TRANSLATE_NOOP("text", "File")},
                 {Menu::edit, QT_TRANSLATE_NOOP("text", "Edit")},
                 {Menu::track, QT_TRANSLATE_NOOP("text", "Track")},
                 {Menu::control, QT_TRANSLATE_NOOP("text", "Control")},
                 {Menu::view, QT_TRANSLATE_NOOP("text", "View")},
                 {Menu::help, QT_TRANSLATE_NOOP("text", "Help")}};
    std::size_t count = 0;
    const CommandRow* rows = commandRows(&count);
    for (const auto& menu : menus) {
        QMenu* bar = menuBar()->addMenu(text(menu.title));
        for (std::size_t i = 0; i < count; ++i) {
            if (rows[i].menu != menu.menu) continue;
            if (rows[i].separatorBefore) bar->addSeparator();
            bar->addAction(actions_->action(rows[i].id()));
        }
        if (menu.menu != Menu::file) continue;
        // Open Recent follows Open..., filled each time it opens.
        auto* recent = new QMenu(Text::tr("Open Recent"), bar);
        recent->setObjectName(QStringLiteral("openRecent"));
        bar->insertMenu(actions_->action("save"), recent);
        connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentMenu(*recent); });
        fillRecentMenu(*recent);
    }
    // Two rows, so that each fits a laptop's width: the editing commands, then the
    // transport with the time display first, where it can never overflow.
    QToolBar* tools = addToolBar(Text::tr("Tools"));
    tools->setObjectName(QStringLiteral("Tools"));
    tools->setMovable(false);
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    addToolBarBreak();
    QToolBar* transport = addToolBar(Text::tr("Transport"));
    transport->setObjectName(QStringLiteral("Transport"));
    transport->setMovable(false);
    transport->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    transport->addWidget(time_);
    transport->addSeparator();
    transport->addWidget(zoom_);
    for (std::size_t i = 0; i < count; ++i) {
        if (rows[i].toolbar == Toolbar::none) continue;
        QToolBar* bar = rows[i].toolbar == Toolbar::transport ? transport : tools;
        if (rows[i].toolbarSeparatorBefore) bar->addSeparator();
        bar->addAction(actions_->action(rows[i].id()));
    }
    // The record button: "Audio Record", or "Stop Record" while recording, when every
    // menu command is off.
    recordButton_ = new QToolButton(transport);
    recordButton_->setObjectName(QStringLiteral("recordBtn"));
    recordButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    recordButton_->setFocusPolicy(Qt::TabFocus);
    connect(recordButton_, &QToolButton::clicked, this, &MainWindow::recordButtonAction);
    setRecordButtonLook(false);
    transport->addSeparator();
    transport->addWidget(recordButton_);
    actions_->action("playOrPause")->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    actions_->setMarkerListShown(markerListShown_);
    // The button a toolbar shows for the commands that do not fit has no text of its
    // own; a screen reader would announce an unnamed check box.
    for (QToolBar* bar : {tools, transport})
        if (auto* more = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
            more->setAccessibleName(Text::tr("More: %1").arg(bar->windowTitle()));
}

void MainWindow::showRecoveryState(const QString& failure) {
    if (failure.isEmpty()) {
        if (recoveryNotice_) recoveryNotice_->close();
        return;
    }
    if (recoveryNotice_) return;  // one notice for as long as the writes keep failing
    // Not modal: editing goes on; the folder keeps the last snapshot that could be written.
    auto* notice = new QMessageBox(QMessageBox::Warning, Text::tr("Wavomer"),
                                   Text::tr("Your latest changes are not protected against a crash."),
                                   QMessageBox::Ok, this);
    notice->setInformativeText(failure);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setWindowModality(Qt::NonModal);
    recoveryNotice_ = notice;
    notice->show();
}

bool MainWindow::isRecoveryNoticeShown() const { return recoveryNotice_ && recoveryNotice_->isVisible(); }

void MainWindow::wireBridge() {
    connect(document_.get(), &Document::recoveryWritten, this, &MainWindow::showRecoveryState);
    EngineBridge& bridge = document_->bridge();
    WaveEditViewController& engine = document_->engine();
    bridge.attachWindow(this);
    // One notice per user event: the rows, the overview and the ruler reload once.
    connect(&bridge, &EngineBridge::projectChanged, this, &MainWindow::projectChanged);
    connect(&bridge, &EngineBridge::rowsRedrawRequested, timeline_, &TimelineView::redrawAll);
    connect(&bridge, &EngineBridge::buttonStatesChanged, this, &MainWindow::refreshState);
    connect(&bridge, &EngineBridge::cursorStripRedrawRequested, timeline_, &TimelineView::redrawCursorStrip);
    connect(&bridge, &EngineBridge::cursorMoved, overview_, &QuickLookWaveView::flushTimeline);
    connect(&bridge, &EngineBridge::markerListChanged, overview_, &QuickLookWaveView::reloadView);
    connect(&bridge, &EngineBridge::markerListChanged, markerList_, &MarkerViewController::updateMarkerWindowShow);
    connect(&bridge, &EngineBridge::playerTimeChanged, this, [this, &engine] {
        time_->setShowTime(static_cast<float>(engine.currentTimelineTime()));
        timeBar_->refresh();
    });
    // The time bar follows drags and cursor moves as they happen.
    connect(&bridge, &EngineBridge::rowsRedrawRequested, timeBar_, &SelectionTimeBar::refresh);
    connect(&bridge, &EngineBridge::cursorMoved, timeBar_, &SelectionTimeBar::refresh);
    connect(&bridge, &EngineBridge::importWindowOpenRequested, this, &MainWindow::showImportDialog);
    connect(&bridge, &EngineBridge::importWindowCloseRequested, this, &MainWindow::hideImportDialog);
    connect(&bridge, &EngineBridge::playTimerStartRequested, this,
            [this](double period) { playTimer_.start(static_cast<int>(period * 1000.0 + 0.5)); });
    connect(&bridge, &EngineBridge::playTimerStopRequested, &playTimer_, &QTimer::stop);
    connect(&bridge, &EngineBridge::playPauseImageChanged, this, &MainWindow::playPauseChanged);
    connect(&bridge, &EngineBridge::recordStatusInitRequested, timeline_, &TimelineView::initRecordStatusInTrack);
    connect(&bridge, &EngineBridge::recordedDurationChanged, timeline_,
            &TimelineView::updateAllWaveViewWhenRecordingWithDuration);
    connect(&bridge, &EngineBridge::recordedDurationChanged, overview_, &QuickLookWaveView::reloadView);
}

void MainWindow::projectChanged() {
    timeline_->reloadView();
    timeBar_->refresh();
    overview_->reloadView();
    ruler_->update();
}

// --- what the engine asks of the window ----------------------------------------------

VisibleRegion MainWindow::visibleRegion() const { return timeline_->visibleRegion(); }

void MainWindow::setVisibleOriginX(double x) { timeline_->setVisibleOriginX(x); }

double MainWindow::screenHeight() const {
    const QScreen* shown = screen();
    return shown ? shown->availableGeometry().height() : 0.0;
}

double MainWindow::windowHeight() const { return frameGeometry().height(); }

void MainWindow::setWindowHeightKeepingTop(double height) {
    // The frame (title bar, borders) is outside the height resize() sets.
    const int frame = frameGeometry().height() - this->height();
    resize(width(), std::max(static_cast<int>(std::lround(height)) - frame, minimumHeight()));
}

double MainWindow::lastDrawTimelineTime() const { return timeline_->lastDrawTimelineTime(); }

bool MainWindow::confirmDeleteTracks(int64_t first, int64_t last) {
    Question question;
    // The tracks by their numbers, in track order whichever way the selection was made.
    const int64_t low = std::min(first, last);
    const int64_t high = std::max(first, last);
    question.text = low == high ? Text::tr("Do you want to delete track %1?").arg(low)
                                : Text::tr("Do you want to delete tracks %1 to %2?").arg(low).arg(high);
    question.answers = {Text::tr("OK"), Text::tr("Cancel")};
    return interaction_.confirm(this, question) == 0;
}

bool MainWindow::isRecordingPopoverShown() const { return record_->isPopoverShown(); }

void MainWindow::refreshState() {
    WaveEditViewController& engine = document_->engine();
    const StateFlags flags = stateFlagsOf(engine, document_->playback().isPlaying());
    EditState edit;
    edit.canUndo = document_->undo().canUndo();
    edit.canRedo = document_->undo().canRedo();
    edit.canPaste = engine.canPaste();
    edit.markerSelected = engine.selectedMarkItem() != nullptr;
    const bool recording = document_->isRecording();
    actions_->refresh(flags, edit, recording);
    // The record button stops a recording; otherwise it follows its command's rule.
    if (recordButton_) recordButton_->setEnabled(recording || actions_->action("recordButtonAction")->isEnabled());
    markerList_->setEnabled(!recording);
    setWindowModified(document_->isEdited());
}

void MainWindow::updateTitle() {
    const std::string title = rules::windowTitleText(Text::tr("Wavomer").toStdString(),
                                                     document_->displayName().toStdString());
    const QString shown = QString::fromStdString(title);
    QFont serif(QStringLiteral("Times New Roman"));
    serif.setPixelSize(16);
    const double serifWidth = QFontMetricsF(serif).horizontalAdvance(shown);
    const QFontMetricsF bar(QApplication::font("QMdiSubWindowTitleBar"));
    const int blanks = rules::titleBlankCount(serifWidth, bar.horizontalAdvance(shown), bar.horizontalAdvance(' '));
    setWindowTitle(shown + QStringLiteral("[*]") + QString(blanks, QLatin1Char(' ')));
    setWindowFilePath(document_->path());
}

void MainWindow::playPauseChanged() {
    const bool playing = document_->playback().isPlaying();
    QAction* play = actions_->action("playOrPause");
    play->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    timeline_->redrawAll();
}

bool MainWindow::isImportDialogShown() const { return importDialog_ && importDialog_->isVisible(); }

bool MainWindow::canImportNow() const {
    if (document_->isRecording()) return false;
    if (QApplication::activeModalWidget()) return false;
    return !isImportDialogShown();
}

void MainWindow::showImportDialog() {
    // A plain dialog that shows and hides exactly when told (a progress dialog's own
    // show timer could bring it back after a quick import had hidden it). Cancel and
    // Escape stop the import, which then leaves nothing behind.
    if (!importDialog_) {
        importDialog_ = new QDialog(this);
        importDialog_->setWindowTitle(Text::tr("Import"));
        importDialog_->setWindowModality(Qt::WindowModal);
        auto* layout = new QVBoxLayout(importDialog_);
        auto* label = new QLabel(importDialog_);
        label->setObjectName(QStringLiteral("importLabel"));
        layout->addWidget(label);
        auto* bar = new QProgressBar(importDialog_);
        bar->setObjectName(QStringLiteral("importProgress"));
        bar->setAccessibleName(Text::tr("Import progress"));
        layout->addWidget(bar);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, importDialog_);
        buttons->button(QDialogButtonBox::Cancel)->setText(Text::tr("Cancel"));
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::rejected, importDialog_, &QDialog::reject);
        connect(importDialog_, &QDialog::rejected, this, [this] { document_->engine().cancelImports(); });
        importDialog_->setMinimumWidth(360);
        auto* poll = new QTimer(importDialog_);
        poll->setInterval(100);
        connect(poll, &QTimer::timeout, this, &MainWindow::updateImportProgress);
        connect(importDialog_, &QDialog::finished, poll, &QTimer::stop);
        poll->setObjectName(QStringLiteral("importPoll"));
    }
    auto* label = importDialog_->findChild<QLabel*>(QStringLiteral("importLabel"));
    if (!openingFolder_.empty()) {
        const QString project = QFileInfo(Document::pathText(openingFolder_)).fileName();
        importDialog_->setWindowTitle(Text::tr("Open"));
        label->setText(Text::tr("Opening \"%1\"...").arg(project));
    } else {
        importDialog_->setWindowTitle(Text::tr("Import"));
        label->setText(importName_.isEmpty() ? Text::tr("Importing...")
                                             : Text::tr("Importing \"%1\"...").arg(importName_));
    }
    updateImportProgress();
    importDialog_->findChild<QTimer*>(QStringLiteral("importPoll"))->start();
    importDialog_->open();
}

void MainWindow::updateImportProgress() {
    if (!importDialog_) return;
    auto* bar = importDialog_->findChild<QProgressBar*>(QStringLiteral("importProgress"));
    const double fraction = document_->engine().importProgress();
    if (fraction < 0.0) {
        bar->setRange(0, 0);  // a file that states no length: a busy bar
    } else {
        bar->setRange(0, 100);
        bar->setValue(static_cast<int>(fraction * 100.0));
    }
}

void MainWindow::hideImportDialog() {
    if (!importDialog_) return;
    importDialog_->findChild<QTimer*>(QStringLiteral("importPoll"))->stop();
    importDialog_->hide();
    importName_.clear();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (document_->isRecording()) {
        interaction_.inform(this, Text::tr("Finish the recording before close the app."));
        event->ignore();
        return;
    }
    if (document_->isEdited()) {
        const Interaction::SaveChanges answer = interaction_.askSaveChanges(this, document_->displayName());
        if (answer == Interaction::SaveChanges::cancel || (answer == Interaction::SaveChanges::save && !save())) {
            event->ignore();
            return;
        }
    }
    playTimer_.stop();
    document_->playback().closePlayerTimer();
    document_->playback().pause();
    event->accept();
}

// --- recording -----------------------------------------------------------------------

namespace {

// The record button's images: a red disc to record, a red square to stop.
QIcon recordIcon(bool stop) {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::kRecordButton);
    if (stop) painter.drawRoundedRect(QRectF(7, 7, 18, 18), 2, 2);
    else painter.drawEllipse(QRectF(6, 6, 20, 20));
    return QIcon(pixmap);
}

}  // namespace

void MainWindow::recordButtonAction() {
    PlaybackController& playback = document_->playback();
    if (playback.isPlaying()) {
        UserEvent event(document_->engine());
        playback.pause();
    }
    if (document_->isRecording()) {
        record_->stopRecord();
        return;
    }
    if (!recordButton_->isEnabled()) return;
    record_->showBelow(recordButton_);
}

void MainWindow::doSomethingWhenStartRecordAction() {
    // The veil covers the tool area above the rows, all but the record button.
    QRect area;
    for (QToolBar* bar : findChildren<QToolBar*>()) area = area.united(bar->geometry());
    const QRect hole(recordButton_->mapTo(this, QPoint(0, 0)), recordButton_->size());
    recordMask_->cover(area, hole);
    timeBar_->hide();
    recordingStrip_->start();
    recordingStrip_->show();
    setRecordButtonLook(true);
    refreshState();
    timeline_->redrawAll();
}

void MainWindow::doSomethingWhenStopRecordAction() {
    document_->recovery().setRecording(std::nullopt);
    recordMask_->hide();
    recordingStrip_->hide();
    timeBar_->show();
    timeBar_->refresh();
    setRecordButtonLook(false);
    refreshState();
    timeline_->setFocus();
}

void MainWindow::setRecordButtonLook(bool recording) {
    recordButton_->setIcon(recordIcon(recording));
    recordButton_->setText(recording ? Text::tr("Stop Record") : Text::tr("Audio Record"));
    recordButton_->setAccessibleName(recordButton_->text());
}

}  // namespace wavomer::app
