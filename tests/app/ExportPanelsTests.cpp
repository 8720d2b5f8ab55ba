// The tag dialog, the preferences, the help document, revealing files, the loudness
// measure and the markers at silences.
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QDragEnterEvent>
#include <QProcess>
#include <QTextBrowser>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "AppTestSupport.h"
#include "config/UserConfig.h"
#include "exporting/ExportController.h"
#include "exporting/LoudnessMeasure.h"
#include "engine/UserEvent.h"
#include "panels/SilenceMarkersDialog.h"
#include "engine/WaveEditViewController.h"
#include "shell/HelpDocument.h"
#include "exporting/ID3ImageView.h"
#include "exporting/ID3WindowController.h"
#include "shell/PreferencesWindowController.h"
#include "shell/QtInteraction.h"
#include "timeline/TimelineView.h"

namespace wavomer::app::test {

namespace {

class Panels : public WindowTest {
protected:
    QString writeImage(const char* name, const char* format) {
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(QColor(200, 10, 20));
        const QString path = QString::fromStdString(scratch_.file(name));
        EXPECT_TRUE(image.save(path, format));
        return path;
    }
    QString writeBytes(const char* name, const QByteArray& bytes) {
        const QString path = QString::fromStdString(scratch_.file(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
    static bool isPng(const std::vector<uint8_t>& data) {
        return data.size() > 8 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G';
    }

};

// As soon as the markers-at-silences dialog shows: set its values, then Add Markers.
void whenSilenceDialogShows(const std::function<void(SilenceMarkersDialog&)>& set) {
    QTimer::singleShot(0, [set] {
        auto* dialog = qobject_cast<SilenceMarkersDialog*>(QApplication::activeModalWidget());
        if (!dialog) return whenSilenceDialogShows(set);
        set(*dialog);
        dialog->accept();
    });
}

}  // namespace

// --- the tag dialog ------------------------------------------------------------------

TEST_F(Panels, ANumberFieldTakesFourDigitsAndRefusesAFifthAndLetters) {
    auto window = openWindow();
    ID3WindowController& dialog = window->exports().tagDialog();
    QLineEdit* year = dialog.field("yearField");
    QTest::keyClicks(year, QStringLiteral("2024"));
    EXPECT_EQ(year->text(), QStringLiteral("2024"));
    EXPECT_TRUE(dialog.errorLabel()->text().isEmpty());
    QTest::keyClicks(year, QStringLiteral("5"));
    EXPECT_EQ(year->text(), QStringLiteral("2024"));
    EXPECT_TRUE(dialog.errorLabel()->text().isEmpty());  // too long is refused without a message
    QLineEdit* bpm = dialog.field("bpmField");
    QTest::keyClicks(bpm, QStringLiteral("1a"));
    EXPECT_EQ(bpm->text(), QStringLiteral("1"));
    EXPECT_EQ(dialog.errorLabel()->text(), QStringLiteral("not number"));
    for (const char* name : {"trackField1", "trackField2", "discField1", "discField2"}) {
        QTest::keyClicks(dialog.field(name), QStringLiteral("x12345"));
        EXPECT_EQ(dialog.field(name)->text(), QStringLiteral("1234")) << name;
    }
    // Text fields take anything.
    QTest::keyClicks(dialog.field("titleField"), QStringLiteral("Song 2"));
    EXPECT_EQ(dialog.field("titleField")->text(), QStringLiteral("Song 2"));
}

TEST_F(Panels, ApplyCopiesTheFieldsAndAnEmptyTitleBecomesAnEmptyString) {
    auto window = openWindow();
    ExportController& controller = window->exports();
    ID3WindowController& dialog = controller.tagDialog();
    QTest::keyClicks(dialog.field("artistField"), QStringLiteral("Artist"));
    QTest::keyClicks(dialog.field("yearField"), QStringLiteral("1999"));
    QTest::keyClicks(dialog.field("discField1"), QStringLiteral("2"));
    dialog.findChild<QPushButton*>(QStringLiteral("applyButton"))->click();
    const ID3TagInfo& tags = controller.id3TagInfo();
    ASSERT_TRUE(tags.title.has_value());
    EXPECT_EQ(*tags.title, "");
    EXPECT_EQ(tags.artist, std::optional<std::string>("Artist"));
    EXPECT_EQ(tags.year, 1999u);
    EXPECT_EQ(tags.disc, 2u);
    EXPECT_EQ(tags.track, 0u);  // empty
}

TEST_F(Panels, CancelKeepsTheTagsAndTheFieldsAreNotRefilledOnReopening) {
    auto window = openWindow();
    ExportController& controller = window->exports();
    ID3WindowController& dialog = controller.tagDialog();
    QTest::keyClicks(dialog.field("titleField"), QStringLiteral("Draft"));
    dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    EXPECT_FALSE(controller.id3TagInfo().title.has_value());
    EXPECT_EQ(&controller.tagDialog(), &dialog);
    EXPECT_EQ(dialog.field("titleField")->text(), QStringLiteral("Draft"));
}

TEST_F(Panels, TheImageButtonStoresAnyReadableImageAsPngAtOnce) {
    auto window = openWindow();
    ExportController& controller = window->exports();
    ID3WindowController& dialog = controller.tagDialog();
    for (const char* format : {"JPEG", "BMP", "PNG"}) {
        const QString path = writeImage((std::string("cover.") + format).c_str(), format);
        controller.id3TagInfo().image.reset();
        interaction_.file = [path](const FileChoice&) { return path; };
        dialog.findChild<QPushButton*>(QStringLiteral("imageButton"))->click();
        ASSERT_TRUE(controller.id3TagInfo().image) << format;
        EXPECT_TRUE(isPng(*controller.id3TagInfo().image)) << format;
        const QImage back = QImage::fromData(controller.id3TagInfo().image->data(),
                                             static_cast<int>(controller.id3TagInfo().image->size()), "PNG");
        EXPECT_EQ(back.size(), QSize(8, 6)) << format;
    }
}

TEST_F(Panels, AnUnreadableImageIsRefusedWithAMessageAndTheCoverStays) {
    auto window = openWindow();
    ExportController& controller = window->exports();
    ID3WindowController& dialog = controller.tagDialog();
    const QString good = writeImage("good.png", "PNG");
    interaction_.file = [good](const FileChoice&) { return good; };
    dialog.importImageAction();
    ASSERT_TRUE(controller.id3TagInfo().image);
    const std::vector<uint8_t> before = *controller.id3TagInfo().image;
    const QString broken = writeBytes("broken.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    interaction_.file = [broken](const FileChoice&) { return broken; };
    dialog.importImageAction();
    EXPECT_EQ(interaction_.told.size(), 1);
    ASSERT_TRUE(controller.id3TagInfo().image);
    EXPECT_EQ(*controller.id3TagInfo().image, before);
    // A broken image dropped on the well is refused the same way.
    EXPECT_FALSE(dialog.imageView()->dropFile(broken));
    EXPECT_EQ(interaction_.told.size(), 2);
    EXPECT_EQ(*controller.id3TagInfo().image, before);
}

TEST_F(Panels, DroppingANonImageFileChangesNothing) {
    auto window = openWindow();
    ExportController& controller = window->exports();
    ID3WindowController& dialog = controller.tagDialog();
    const QString good = writeImage("drop.png", "PNG");
    ASSERT_TRUE(dialog.imageView()->dropFile(good));
    ASSERT_TRUE(controller.id3TagInfo().image);  // a drop acts at once
    const std::vector<uint8_t> before = *controller.id3TagInfo().image;
    const QString text = writeBytes("notes.txt", "just words\n");
    EXPECT_FALSE(dialog.imageView()->dropFile(text));
    EXPECT_FALSE(dialog.imageView()->dropFile(QString::fromStdString(scratch_.file("missing.png"))));
    EXPECT_EQ(*controller.id3TagInfo().image, before);
    EXPECT_EQ(*dialog.imageView()->png(), before);
    EXPECT_TRUE(interaction_.told.isEmpty());
}

TEST_F(Panels, ClearThenCancelLeavesTheTagsWithoutAnImage) {
    auto window = openWindow();
    ExportController& controller = window->exports();
    ID3WindowController& dialog = controller.tagDialog();
    ASSERT_TRUE(dialog.imageView()->dropFile(writeImage("c.png", "PNG")));
    ASSERT_TRUE(controller.id3TagInfo().image);
    dialog.findChild<QPushButton*>(QStringLiteral("clearImageButton"))->click();
    dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    EXPECT_FALSE(controller.id3TagInfo().image);
    EXPECT_FALSE(dialog.imageView()->png());
}

TEST_F(Panels, TheImageWellTakesDropsOnlyWhileItsDialogIsModal) {
    auto window = openWindow();
    ID3WindowController& dialog = window->exports().tagDialog();
    dialog.imageView()->setPng(std::nullopt);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(writeImage("d.png", "PNG"))});
    QDragEnterEvent notModal(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.imageView(), &notModal);
    EXPECT_FALSE(notModal.isAccepted());
    dialog.show();  // application-modal
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QDragEnterEvent modal(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.imageView(), &modal);
    EXPECT_TRUE(modal.isAccepted());
    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(writeBytes("t.txt", "words"))});
    QDragEnterEvent textDrag(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.imageView(), &textDrag);
    EXPECT_FALSE(textDrag.isAccepted());
    dialog.reject();
}

// --- preferences -------------------------------------------------------------------

TEST_F(Panels, TheColourAndItsResetRedrawEveryOpenWindowAndAreSaved) {
    const std::string savedPath = UserConfig::share().savePath();
    UserConfig::share().setSavePath(scratch_.file("config/user.config"));
    auto first = openWindow();
    auto second = openWindow();
    first->show();
    second->show();
    PreferencesWindowController& preferences = PreferencesWindowController::shared(interaction_);
    const QColor red(220, 20, 30);
    interaction_.colour = [red](const QColor&) { return red; };
    preferences.colorWell()->click();
    EXPECT_EQ(first->timeline().waveColor(), red);
    EXPECT_EQ(second->timeline().waveColor(), red);
    UserConfig stored(scratch_.file("config/user.config"));
    ASSERT_TRUE(stored.load().ok());
    EXPECT_NEAR(stored.waveColor.red, red.redF(), 1e-6);
    EXPECT_NEAR(stored.waveColor.green, red.greenF(), 1e-6);

    preferences.findChild<QPushButton*>(QStringLiteral("resetWaveColorButton"))->click();
    const QColor original(14, 140, 150);
    EXPECT_EQ(first->timeline().waveColor().rgb(), original.rgb());
    EXPECT_EQ(second->timeline().waveColor().rgb(), original.rgb());
    EXPECT_EQ(UserConfig::share().waveColor, UserConfig::defaultWaveColor());
    // A window opened afterwards starts in the configured colour.
    auto third = openWindow();
    EXPECT_EQ(third->timeline().waveColor().rgb(), original.rgb());
    UserConfig::share().setSavePath(savedPath);
}

// --- loudness --------------------------------------------------------------------------

TEST_F(Panels, LoudnessMeasuresTheProjectOrTheSelectionAndTellsTheFourFigures) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    // A square wave at 0.5 on both tracks: its sample peak is -6.0 dBFS.
    ASSERT_TRUE(importAndWait(*window, makeWav("loud.wav", 4.0, 0.0, 0.5)));
    QString text, details;
    interaction_.answer = [&](const Question& question) {
        text = question.text;
        details = question.details;
        return 0;
    };
    window->runCommand("loudness");
    EXPECT_EQ(text, QStringLiteral("The loudness of the project"));
    EXPECT_TRUE(details.contains(QStringLiteral("Sample peak: -6.0 dBFS"))) << details.toStdString();
    EXPECT_TRUE(details.startsWith(QStringLiteral("Integrated loudness: "))) << details.toStdString();
    EXPECT_TRUE(details.contains(QStringLiteral(" LUFS\nLoudness range: "))) << details.toStdString();
    // Silence has no loudness to tell.
    Loudness silent;
    EXPECT_EQ(loudnessReport(silent), QStringLiteral("Integrated loudness: no sound\nLoudness range: no sound\n"
                                                     "True peak: no sound\nSample peak: no sound"));
    WaveEditViewController& engine = window->document().engine();
    {
        UserEvent event(engine);
        engine.selectTracks(0, 0);
        engine.setSelection(1.0, 2.0);
    }
    window->runCommand("loudness");
    EXPECT_EQ(text, QStringLiteral("The loudness of the selection"));
}

// --- markers at silences ------------------------------------------------------------------

TEST_F(Panels, MarkersAtSilencesScanWithTheDialogsValuesAndAreAddedAsOneUndoStep) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(importAndWait(*window, makeWav("gaps.wav", 6.0, 0.0, 0.5)));
    WaveEditViewController& engine = window->document().engine();
    // Sound 0-2 s, a 2 s silence, sound 4-6 s, a 1 s silence, sound 7-9 s.
    for (auto [at, length] : {std::pair{4.0, 1.0}, {2.0, 2.0}}) {
        UserEvent event(engine);
        engine.resetSelectedTimelineStartEndTime();
        engine.updateCurrentTimelineTime(at);
        ASSERT_TRUE(engine.insertMute(true, length).ok());
    }
    {
        UserEvent event(engine);
        engine.resetSelectedTimelineStartEndTime();
    }
    settle();
    QString told;
    interaction_.answer = [&](const Question& question) {
        told = question.text;
        return 0;
    };
    auto times = [&] {
        std::vector<double> at;
        for (const auto& marker : engine.markArray()) at.push_back(marker->markerTime);
        return at;
    };
    const size_t steps = window->document().undo().undoStepCount();

    bool defaults = false, reachable = false;
    whenSilenceDialogShows([&](SilenceMarkersDialog& dialog) {
        defaults = dialog.thresholdField().value() == -40.0 && dialog.minimumField().value() == 1.0 &&
                   dialog.search().placement == SilencePlacement::middle;
        reachable = accessibleFromApplication(QStringLiteral("Threshold"), QAccessible::SpinBox) &&
                    accessibleFromApplication(QStringLiteral("Shortest silence"), QAccessible::SpinBox) &&
                    // A combo box is read by its choice, and named by the label it is the buddy of.
                    accessibleFromApplication(QStringLiteral("Middle of each silence"), QAccessible::ComboBox) &&
                    accessibleFromApplication(QStringLiteral("Place each marker at:"), QAccessible::StaticText) &&
                    accessibleFromApplication(QStringLiteral("Add Markers"), QAccessible::Button);
        dialog.minimumField().setValue(1.5);
        dialog.placementChooser().setCurrentIndex(2);  // the end
    });
    window->runCommand("markSilencesAction");
    EXPECT_TRUE(defaults);
    EXPECT_TRUE(reachable);
    // Only the 2 s silence is long enough, and its end is at 4 s.
    ASSERT_EQ(times().size(), 1u);
    EXPECT_NEAR(times()[0], 4.0, 0.001);
    EXPECT_EQ(told, QStringLiteral("Added 1 marker at a silence."));
    EXPECT_EQ(window->document().undo().undoStepCount(), steps + 1);

    // The defaults: the middles of both silences, both markers one undo step.
    whenSilenceDialogShows([](SilenceMarkersDialog&) {});
    window->runCommand("markSilencesAction");
    ASSERT_EQ(times().size(), 3u);
    EXPECT_NEAR(times()[0], 3.0, 0.001);
    EXPECT_NEAR(times()[2], 6.5, 0.001);
    EXPECT_EQ(told, QStringLiteral("Added 2 markers at silences."));
    EXPECT_EQ(window->document().undo().undoStepCount(), steps + 2);
    {
        UserEvent event(engine);
        window->document().undo().undo();
    }
    EXPECT_EQ(times().size(), 1u);

    // Above the sound's level (-6 dBFS) everything is one silence from the start: none.
    whenSilenceDialogShows([](SilenceMarkersDialog& dialog) { dialog.thresholdField().setValue(-3.0); });
    window->runCommand("markSilencesAction");
    EXPECT_EQ(times().size(), 1u);
    EXPECT_EQ(told, QStringLiteral("No silences were found: no marker was added."));
}

// --- help ------------------------------------------------------------------------------

TEST_F(Panels, WithoutAPdfViewerTheHelpOpensInAWindowOfItsOwn) {
    interaction_.urlsOpen = false;
    ASSERT_TRUE(helpDocument(interaction_));
    auto* shown = qobject_cast<QTextBrowser*>(helpWindow());
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_TRUE(shown->toPlainText().contains(QStringLiteral("Exporting")));
    EXPECT_EQ(shown->accessibleName(), QStringLiteral("Wavomer Help"));
    // Asked again, the same window comes forward.
    ASSERT_TRUE(helpDocument(interaction_));
    EXPECT_EQ(helpWindow(), shown);
    shown->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(helpWindow(), nullptr);
}

TEST_F(Panels, TheHelpPdfIsBuiltInCopiedOnceAndOpened) {
    QFile resource(helpDocumentResource());
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    EXPECT_TRUE(resource.read(5) == "%PDF-");
    auto window = openWindow();
    ASSERT_TRUE(helpDocument(interaction_));
    ASSERT_EQ(interaction_.opened.size(), 1);
    const QString copy = interaction_.opened.front().toLocalFile();
    EXPECT_EQ(QFileInfo(copy).fileName(), QStringLiteral("Wavomer Help.pdf"));
    EXPECT_EQ(QFileInfo(copy).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    const QDateTime written = QFileInfo(copy).lastModified();
    EXPECT_EQ(helpDocumentCopy(), copy);
    EXPECT_EQ(QFileInfo(copy).lastModified(), written);  // not copied again

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext is missing";
    QProcess process;
    process.start(pdftotext, {copy, QStringLiteral("-")});
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("Wavomer Help")));
    EXPECT_TRUE(text.contains(QStringLiteral("Exporting")));
    EXPECT_TRUE(text.contains(QStringLiteral("Recording")));
}

// --- revealing -----------------------------------------------------------------------

namespace {

bool fileManagerOnBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.FileManager1")).value();
}

}  // namespace

class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public slots:
    Q_SCRIPTABLE void ShowItems(const QStringList& uris, const QString&) { shown = uris; }
};

// The program's interaction with the desktop's default applications replaced by a list.
class RecordingOpener : public QtInteraction {
public:
    QList<QUrl> opened;
    bool openUrl(const QUrl& url) override {
        opened << url;
        return true;
    }
};

class Reveal : public Panels {
protected:
    RecordingOpener desktop_;
    QList<QUrl>& opened_ = desktop_.opened;
};

TEST_F(Reveal, WithoutAFileManagerTheFolderIsOpened) {
    if (fileManagerOnBus()) GTEST_SKIP() << "a file manager answers on this session bus";
    const QString file = writeBytes("Audio.mp3", "x");
    EXPECT_EQ(desktop_.reveal({file}), Revealed::byOpeningFolder);
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_.front(), QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
    EXPECT_EQ(desktop_.reveal({}), Revealed::notAtAll);
    EXPECT_EQ(opened_.size(), 1);
}

TEST_F(Reveal, AFileManagerOnTheSessionBusIsAskedToShowTheFiles) {
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus (run under dbus-run-session)";
    if (fileManagerOnBus()) GTEST_SKIP() << "a real file manager answers on this session bus";
    // The fake answers from its own thread and connection, as another program would.
    QThread thread;
    FakeFileManager fake;
    fake.moveToThread(&thread);
    thread.start();
    bool registered = false;
    QMetaObject::invokeMethod(
        &fake,
        [&] {
            QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-fm"));
            registered = bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &fake,
                                            QDBusConnection::ExportScriptableSlots) &&
                         bus.registerService(QStringLiteral("org.freedesktop.FileManager1"));
        },
        Qt::BlockingQueuedConnection);
    ASSERT_TRUE(registered);
    const QString a = writeBytes("Audio.mp3", "x"), b = writeBytes("Audio_1.mp3", "y");
    EXPECT_EQ(desktop_.reveal({a, b}), Revealed::byFileManager);
    EXPECT_TRUE(opened_.isEmpty());
    QStringList shown;
    QMetaObject::invokeMethod(&fake, [&] { shown = fake.shown; }, Qt::BlockingQueuedConnection);
    EXPECT_EQ(shown, (QStringList{QUrl::fromLocalFile(a).toString(), QUrl::fromLocalFile(b).toString()}));
    QMetaObject::invokeMethod(
        &fake,
        [&] {
            QDBusConnection bus(QStringLiteral("fake-fm"));
            bus.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
            bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
            QDBusConnection::disconnectFromBus(QStringLiteral("fake-fm"));
        },
        Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    fake.moveToThread(QThread::currentThread());
}

}  // namespace wavomer::app::test

#include "ExportPanelsTests.moc"
