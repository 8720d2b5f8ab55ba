// Export from the window: the export options, the export window's progress and Cancel,
// the tags in every written file, revealing the results.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <taglib/fileref.h>
#include <taglib/tag.h>

#include "AppTestSupport.h"
#include "config/UserConfig.h"
#include "engine/EditActions.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "exporting/ExportController.h"
#include "exporting/ExportOptionsView.h"
#include "exporting/ID3WindowController.h"
#include "rules/ExportRules.h"

namespace wavomer::app::test {

namespace {

QStringList comboTitles(const QComboBox* box) {
    QStringList titles;
    for (int i = 0; i < box->count(); ++i) titles << box->itemText(i);
    return titles;
}

QStringList qTitles(const std::vector<std::string>& titles) {
    QStringList list;
    for (const std::string& t : titles) list << QString::fromStdString(t);
    return list;
}

class ExportFromWindow : public WindowTest {
protected:
    ExportFromWindow() {
        forgetChoices();
        savedConfigPath_ = UserConfig::share().savePath();
        UserConfig::share().setSavePath(scratch_.file("config/user.config"));
    }
    ~ExportFromWindow() override {
        forgetChoices();
        UserConfig::share().setSavePath(savedConfigPath_);
    }

    static void forgetChoices() {
        UserConfig& config = UserConfig::share();
        config.defaultFormat.reset();
        config.lastExportFolder.reset();
        config.lastExportChannels = 0;
        config.lastExportBitDepth = 16;
        config.lastExportLoudness.reset();
        config.lastExportTruePeak = -1.0;
        config.lastExportLoudnessPerPiece = false;
    }

    // A window over a project of one stereo file, with markers at the given times.
    std::unique_ptr<MainWindow> projectWindow(double seconds, std::vector<double> markers = {}) {
        auto window = openWindow();
        if (!window || !importAndWait(*window, makeWav("tone.wav", seconds, 0.0, 0.5))) return nullptr;
        WaveEditViewController& engine = window->document().engine();
        for (double time : markers) {
            UserEvent event(engine);
            engine.setSelection(time, time);
            engine.updateCurrentTimelineTime(time);
            EditActions::addMarkAction(engine);
        }
        settle();
        return window;
    }

    // Runs the command with the folder prompt answering folder, and waits for the end.
    bool exportInto(MainWindow& window, const char* id, const QString& folder,
                    std::function<void(ExportOptionsView&)> choose = {}) {
        ExportController& controller = window.exports();
        interaction_.folder = [&](const QString&, QWidget* accessory) {
            if (choose) choose(*qobject_cast<ExportOptionsView*>(accessory));
            return folder;
        };
        bool finished = false;
        auto connection = QObject::connect(&controller, &ExportController::exportFinished, [&] { finished = true; });
        window.runCommand(id);
        const bool done = waitFor([&] { return finished; });
        QObject::disconnect(connection);
        return done;
    }

    QStringList filesIn(const QString& folder) {
        return QDir(folder).entryList(QDir::Files, QDir::Name);
    }

    std::string savedConfigPath_;
};

}  // namespace

// --- the export options -----------------------------------------------------------

TEST_F(ExportFromWindow, TheFormatMenuFollowsTheTrackCountAndTheChannelType) {
    const struct {
        size_t tracks;
        int channelType;
        FormatMenuKind menu;
    } cases[] = {
        {1, 0, FormatMenuKind::formatMenu},     {1, 1, FormatMenuKind::formatMenu},
        {1, 2, FormatMenuKind::formatMenu},     {2, 0, FormatMenuKind::formatMenu},
        {2, 1, FormatMenuKind::formatMenu},     {2, 2, FormatMenuKind::formatMenu},
        {4, 0, FormatMenuKind::menuFor46Track}, {4, 1, FormatMenuKind::formatMenu},
        {4, 2, FormatMenuKind::formatMenu},     {5, 0, FormatMenuKind::menuForAll},
        {5, 1, FormatMenuKind::formatMenu},     {5, 2, FormatMenuKind::formatMenu},
    };
    for (const auto& c : cases) {
        ExportOptionsView view(c.tracks, nullptr);
        view.updateFormatMenu(std::nullopt);
        view.channelTypeButton()->setCurrentIndex(c.channelType);
        const std::string what = std::to_string(c.tracks) + " tracks, channel type " + std::to_string(c.channelType);
        EXPECT_EQ(view.model().currentMenu(), c.menu) << what;
        const QStringList shown = comboTitles(view.formatButton());
        ASSERT_FALSE(shown.isEmpty()) << what;
        // What the popup shows is the chosen menu (less what the channels rule out), in order.
        const QStringList menu = qTitles(FormatCatalogue::builtIn().menu(c.menu));
        int at = 0;
        for (const QString& title : shown) {
            at = static_cast<int>(menu.indexOf(title, at));
            EXPECT_GE(at, 0) << what << ": " << title.toStdString();
        }
        EXPECT_EQ(view.formatButton()->currentIndex(), 0) << what;
        EXPECT_EQ(comboTitles(view.sampleRateButton()),
                  qTitles(view.model().sampleRateButton().titles)) << what;
        EXPECT_EQ(view.sampleRateButton()->currentIndex(), static_cast<int>(*view.model().sampleRateButton().selected))
            << what;
    }
}

TEST_F(ExportFromWindow, OneTrackOffersBitRatesUpTo128WithTheLastSelected) {
    ExportOptionsView view(1, nullptr);
    view.updateFormatMenu(std::nullopt);
    const QComboBox* bitRates = view.bitRateButton();
    ASSERT_GT(bitRates->count(), 0);
    for (const QString& title : comboTitles(bitRates)) EXPECT_LE(title.split(' ').front().toInt(), 128) << title.toStdString();
    EXPECT_EQ(bitRates->currentIndex(), bitRates->count() - 1);
    ExportOptionsView two(2, nullptr);
    two.updateFormatMenu(std::nullopt);
    bool above128 = false;
    for (const QString& title : comboTitles(two.bitRateButton())) above128 |= title.split(' ').front().toInt() > 128;
    EXPECT_TRUE(above128);
}

TEST_F(ExportFromWindow, TheFormatLastExportedIsSelectedWhenTheMenuOffersIt) {
    ExportOptionsView first(2, nullptr);
    first.updateFormatMenu(std::nullopt);
    ASSERT_GE(first.formatButton()->count(), 2);
    const QString second = first.formatButton()->itemText(1);
    ExportOptionsView view(2, nullptr);
    view.updateFormatMenu(second.toStdString());
    EXPECT_EQ(view.formatButton()->currentText(), second);
    EXPECT_EQ(view.model().encoderSettings().formatTitle, second.toStdString());
    view.updateFormatMenu(std::string("no such format"));
    EXPECT_EQ(view.formatButton()->currentIndex(), 0);
}

TEST_F(ExportFromWindow, PickingAFormatRefillsTheRatesAndTheRingtoneEntrySetsTheITunesFormat) {
    ExportOptionsView view(2, nullptr);
    view.updateFormatMenu(std::nullopt);
    const QStringList titles = comboTitles(view.formatButton());
    for (int i = 0; i < titles.size(); ++i) {
        view.formatButton()->setCurrentIndex(i);
        EXPECT_EQ(view.model().useITunesFormat(), titles[i] == "iTunes" || titles[i] == "Ringtone")
            << titles[i].toStdString();
        EXPECT_EQ(comboTitles(view.sampleRateButton()), qTitles(view.model().sampleRateButton().titles));
        EXPECT_EQ(comboTitles(view.bitRateButton()), qTitles(view.model().bitRateButton().titles));
    }
}

// --- exporting ------------------------------------------------------------------

TEST_F(ExportFromWindow, APlainExportWritesOneTaggedFileShowsProgressAndRevealsIt) {
    auto window = projectWindow(2.0);
    ASSERT_TRUE(window);
    ExportController& controller = window->exports();
    controller.id3TagInfo().title = "Window Title";
    const QString folder = QString::fromStdString(scratch_.file("out"));
    QDir().mkpath(folder);
    std::vector<int> bar;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (ExportWindow* w = controller.exportWindow()) bar.push_back(w->progressBar()->value());
    });
    sampler.start(5);
    bool windowWasModal = false;
    ASSERT_TRUE(exportInto(*window, "convertAction", folder, [&](ExportOptionsView& options) {
        EXPECT_FALSE(options.convertUseMarker());
        QTimer::singleShot(0, [&] {
            windowWasModal = controller.exportWindow() && controller.exportWindow()->isModal() &&
                             controller.exportWindow()->isPolling();
        });
    }));
    sampler.stop();
    EXPECT_TRUE(windowWasModal);
    EXPECT_FALSE(controller.isExporting());
    EXPECT_TRUE(controller.lastReport().ok()) << controller.lastReport().error();
    EXPECT_EQ(filesIn(folder), QStringList{"Audio.mp3"});
    for (size_t i = 1; i < bar.size(); ++i) EXPECT_LE(bar[i - 1], bar[i]);
    EXPECT_TRUE(interaction_.told.isEmpty()) << interaction_.told.join('\n').toStdString();
    // The written file is revealed in the file manager.
    ASSERT_EQ(interaction_.revealed.size(), 1);
    EXPECT_EQ(interaction_.revealed.front(), QStringList{folder + "/Audio.mp3"});
    TagLib::FileRef file((folder + "/Audio.mp3").toLocal8Bit().constData());
    ASSERT_FALSE(file.isNull());
    EXPECT_EQ(file.tag()->title().to8Bit(true), "Window Title");
    // The format is kept as the one last exported.
    ASSERT_TRUE(UserConfig::share().defaultFormat);
    EXPECT_TRUE(rules::lastExportedFormat(UserConfig::share().defaultFormat).has_value());
}

TEST_F(ExportFromWindow, ExportOnMarkersWritesThreePiecesWithTheSameTagsAndAFullBar) {
    auto window = projectWindow(3.0, {1.0, 2.0});
    ASSERT_TRUE(window);
    ASSERT_EQ(window->document().engine().getMarkArrayWihtTrackStartEndTime().size(), 4u);
    ExportController& controller = window->exports();
    ID3WindowController& dialog = controller.tagDialog();
    dialog.field("titleField")->setText(QStringLiteral("Split"));
    QTest::keyClicks(dialog.field("trackField2"), QStringLiteral("3"));
    dialog.findChild<QPushButton*>(QStringLiteral("applyButton"))->click();
    const QString folder = QString::fromStdString(scratch_.file("pieces"));
    QDir().mkpath(folder);
    ExportWindow* shown = nullptr;
    ASSERT_TRUE(exportInto(*window, "convertOnMarksAction", folder, [&](ExportOptionsView& options) {
        EXPECT_TRUE(options.convertUseMarker());
        QTimer::singleShot(0, [&] { shown = controller.exportWindow(); });
    }));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(controller.exporter().totalConvertCount(), 3);
    EXPECT_FLOAT_EQ(controller.exporter().progressValue(), 1.0f);
    EXPECT_EQ(filesIn(folder), (QStringList{"Audio.mp3", "Audio_1.mp3", "Audio_2.mp3"}));
    for (const QString& name : filesIn(folder)) {
        TagLib::FileRef file((folder + "/" + name).toLocal8Bit().constData());
        ASSERT_FALSE(file.isNull()) << name.toStdString();
        EXPECT_EQ(file.tag()->title().to8Bit(true), "Split") << name.toStdString();
    }
}

TEST_F(ExportFromWindow, TheNextExportOffersTheLastChoicesAndNumberedPiecesAreNamedAsTyped) {
    auto window = projectWindow(3.0, {1.0, 2.0});
    ASSERT_TRUE(window);
    const QString folder = QString::fromStdString(scratch_.file("album"));
    QDir().mkpath(folder);
    const QString flac = QStringLiteral("FLAC - Free Lossless Audio Codec(*.flac)");
    ASSERT_TRUE(exportInto(*window, "convertOnMarksAction", folder, [&](ExportOptionsView& options) {
        // The bit depth is a choice of the lossless formats only.
        EXPECT_FALSE(options.bitDepthButton()->isEnabled());
        EXPECT_TRUE(options.numberBox()->isEnabled());
        options.channelTypeButton()->setCurrentIndex(2);
        options.formatButton()->setCurrentIndex(options.formatButton()->findText(flac));
        EXPECT_TRUE(options.bitDepthButton()->isEnabled());
        options.bitDepthButton()->setCurrentIndex(1);
        options.nameField()->setText(QStringLiteral("Take"));
        options.numberBox()->setChecked(true);
    }));
    EXPECT_EQ(filesIn(folder), (QStringList{"01 Take.flac", "02 Take.flac", "03 Take.flac"}));
    TagLib::FileRef piece((folder + "/02 Take.flac").toLocal8Bit().constData());
    ASSERT_FALSE(piece.isNull());
    EXPECT_EQ(piece.tag()->track(), 2u);

    // The next export starts in that folder with the same channels, format and depth.
    // No file manager shows the files: the paths are offered instead.
    interaction_.revealAnswer = Revealed::notAtAll;
    interaction_.answer = answering(QStringLiteral("Copy Path"));
    ASSERT_TRUE(exportInto(*window, "convertAction", folder, [&](ExportOptionsView& options) {
        EXPECT_EQ(options.channelTypeButton()->currentIndex(), 2);
        EXPECT_EQ(options.formatButton()->currentText(), flac);
        EXPECT_EQ(options.bitDepth(), 24);
        EXPECT_FALSE(options.numberBox()->isEnabled());
    }));
    EXPECT_EQ(interaction_.folderStart, folder);
    ASSERT_EQ(interaction_.questions.size(), 1);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), folder + "/Audio.flac");
}

TEST_F(ExportFromWindow, ANormalisedExportCarriesItsChaptersAndItsLoudnessChoiceIsOfferedNextTime) {
    auto window = projectWindow(3.0, {1.0, 2.0});
    ASSERT_TRUE(window);
    const QString folder = QString::fromStdString(scratch_.file("book"));
    QDir().mkpath(folder);
    const QString wav = QStringLiteral("WAV - Waveform Audio(*.wav)");
    ASSERT_TRUE(exportInto(*window, "convertAction", folder, [&](ExportOptionsView& options) {
        // Markers offer chapters, checked; the level per piece waits for a split.
        EXPECT_TRUE(options.chaptersBox()->isEnabled());
        EXPECT_TRUE(options.chaptersBox()->isChecked());
        EXPECT_FALSE(options.truePeakField()->isEnabled()) << "normalisation is off";
        options.formatButton()->setCurrentIndex(options.formatButton()->findText(wav));
        options.loudnessButton()->setCurrentIndex(options.loudnessButton()->findText(QStringLiteral("-16 LUFS (Podcast)")));
        EXPECT_TRUE(options.truePeakField()->isEnabled());
        EXPECT_FALSE(options.loudnessField()->isEnabled()) << "a preset has its own loudness";
        EXPECT_FALSE(options.perPieceBox()->isEnabled());
        options.truePeakField()->setValue(-2.0);
        options.markerSplitBox()->setChecked(true);
        EXPECT_FALSE(options.chaptersBox()->isEnabled()) << "pieces have no chapters";
        options.markerSplitBox()->setChecked(false);
    }));
    QFile file(folder + "/Audio.wav");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("cue ")) << "the chapters are cue points";
    ASSERT_TRUE(exportInto(*window, "convertAction", folder, [&](ExportOptionsView& options) {
        ASSERT_TRUE(options.loudnessTarget());
        EXPECT_EQ(options.loudnessTarget()->integrated, -16.0);
        EXPECT_EQ(options.loudnessTarget()->truePeakCeiling, -2.0);
        options.loudnessButton()->setCurrentIndex(options.loudnessButton()->findText(QStringLiteral("Custom")));
        options.loudnessField()->setValue(-19.5);
    }));
    EXPECT_EQ(UserConfig::share().lastExportLoudness, -19.5);
}

TEST_F(ExportFromWindow, CancelStopsTheExportDeletesThePartialFileAndRevealsNothing) {
    auto window = projectWindow(1.0);
    ASSERT_TRUE(window);
    // A long project, so the export is still running when Cancel is pressed.
    {
        WaveEditViewController& engine = window->document().engine();
        UserEvent event(engine);
        engine.setSelection(1.0, 1.0);
        engine.updateCurrentTimelineTime(1.0);
        ASSERT_TRUE(engine.insertMute(true, 1800.0).ok());
    }
    settle();
    ExportController& controller = window->exports();
    const QString folder = QString::fromStdString(scratch_.file("cancelled"));
    QDir().mkpath(folder);
    ASSERT_TRUE(exportInto(*window, "convertAction", folder, [&](ExportOptionsView&) {
        QTimer::singleShot(0, [&] {
            ASSERT_NE(controller.exportWindow(), nullptr);
            QTest::mouseClick(controller.exportWindow()->cancelButton(), Qt::LeftButton);
        });
    }));
    EXPECT_TRUE(controller.lastReport().cancelled());
    EXPECT_TRUE(filesIn(folder).isEmpty()) << filesIn(folder).join(',').toStdString();
    EXPECT_TRUE(interaction_.opened.isEmpty() && interaction_.revealed.isEmpty());
    EXPECT_TRUE(interaction_.told.isEmpty());
    EXPECT_FALSE(UserConfig::share().defaultFormat);
}

TEST_F(ExportFromWindow, AFailedExportIsShownNamingTheFileAndNothingIsRevealed) {
    auto window = projectWindow(1.0);
    ASSERT_TRUE(window);
    // The output "folder" is a file: nothing can be written under it.
    const std::string blocker = scratch_.file("not-a-folder");
    ASSERT_TRUE(QFile(QString::fromStdString(blocker)).open(QIODevice::WriteOnly));
    ASSERT_TRUE(exportInto(*window, "convertAction", QString::fromStdString(blocker)));
    EXPECT_TRUE(window->exports().lastReport().failed());
    ASSERT_EQ(interaction_.told.size(), 1);
    EXPECT_TRUE(interaction_.told.front().contains(QStringLiteral("not-a-folder"))) << interaction_.told.front().toStdString();
    EXPECT_TRUE(interaction_.opened.isEmpty() && interaction_.revealed.isEmpty());
}

TEST_F(ExportFromWindow, ExportIsIgnoredWhileTheFolderPromptIsCancelled) {
    auto window = projectWindow(1.0);
    ASSERT_TRUE(window);
    bool asked = false;
    ExportController& controller = window->exports();
    interaction_.folder = [&](const QString&, QWidget*) {
        asked = true;
        return QString();
    };
    window->runCommand("convertAction");
    settle();
    EXPECT_TRUE(asked);
    EXPECT_FALSE(controller.isExporting());
    EXPECT_FALSE(controller.exporter().isRunning());
}

TEST_F(ExportFromWindow, ExportCollapsesTheSelectionOntoTheCursorFirst) {
    auto window = projectWindow(2.0);
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    {
        UserEvent event(engine);
        engine.selectTracks(0, 1);
        engine.setSelection(0.5, 1.5);
    }
    interaction_.folder = [](const QString&, QWidget*) { return QString(); };
    window->runCommand("convertAction");
    EXPECT_NEAR(engine.selectedTimelineEndTime() - engine.selectedTimelineStartTime(), 0.0, 1e-9);
}

}  // namespace wavomer::app::test
