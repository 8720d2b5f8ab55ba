// The window's commands are enabled exactly as the state flags and the validation rules
// say, refreshed after every event: literal tables of what each state disables.
#include <QAction>
#include <QSignalSpy>
#include <set>
#include <string>

#include "AppTestSupport.h"
#include "recovery/RecoverySession.h"
#include "actions/CommandTable.h"
#include "actions/WindowActions.h"
#include "bridge/EngineBridge.h"
#include "engine/PlaybackController.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "timeline/TimelineView.h"

namespace wavomer::app::test {

namespace {

class CommandEnabling : public WindowTest {
protected:
    // Every command of the table is enabled but the ones listed, which are disabled.
    void expectDisabledExactly(MainWindow& window, const char* state, const std::set<std::string>& disabled) {
        std::size_t count = 0;
        const CommandRow* rows = commandRows(&count);
        for (std::size_t i = 0; i < count; ++i) {
            QAction* action = window.actions().action(rows[i].id());
            ASSERT_NE(action, nullptr) << rows[i].id();
            EXPECT_EQ(action->isEnabled(), !disabled.count(std::string(rows[i].id()))) << state << ": " << rows[i].id();
        }
    }
    bool enabled(MainWindow& window, const char* id) { return window.actions().action(id)->isEnabled(); }
};

}  // namespace

TEST_F(CommandEnabling, EachStateDisablesExactlyTheCommandsItsRulesForbid) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    // Delete also deletes a selected marker, so it is listed where it applies.
    const std::set<std::string> editsOfASelection = {"cut", "copy", "muteButtonAction", "fadeInButtonAction",
                                                     "fadeOutButtonAction", "showCustomFadeAction",
                                                     "showVolumeSettingWindowAction", "zoomToSelection",
                                                     "showEffectSettingWindowAction"};
    auto with = [](std::set<std::string> a, const std::set<std::string>& b) {
        a.insert(b.begin(), b.end());
        return a;
    };

    expectDisabledExactly(*window, "new project",
                          with(editsOfASelection, {"delete", "convertAction", "loudness", "markSilencesAction", "convertOnMarksAction", "openId3SetAction",
                                                   "undo", "redo", "paste", "selectAll", "insertMuteAction",
                                                   "insertNoiseAction"}));

    ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 2.0, 0.0, 0.5)));
    expectDisabledExactly(*window, "imported",
                          with(editsOfASelection, {"delete", "convertOnMarksAction", "redo", "paste"}));

    {
        UserEvent event(engine);
        engine.selectTracks(0, 1);
        engine.setSelection(0.5, 1.5);
    }
    settle();
    expectDisabledExactly(*window, "selection", {"convertOnMarksAction", "redo", "paste"});

    {
        UserEvent event(engine);
        engine.setSelection(1.0, 1.0);
        engine.updateCurrentTimelineTime(1.0);
    }
    window->runCommand("addMarkAction");
    settle();
    const std::set<std::string> onTheMarker = with(editsOfASelection, {"redo", "paste", "addMarkAction"});
    expectDisabledExactly(*window, "marker at the cursor", onTheMarker);

    window->runCommand("playOrPause");
    settle();
    ASSERT_TRUE(window->document().playback().isPlaying());
    expectDisabledExactly(*window, "playing",
                          with(onTheMarker, {"selectAll", "addTrackFunction", "deleteTrackFunction",
                                             "insertMuteAction", "insertNoiseAction", "recordButtonAction"}));
    window->runCommand("playOrPause");
    settle();
    EXPECT_FALSE(window->document().playback().isPlaying());
    expectDisabledExactly(*window, "paused", onTheMarker);
}

TEST_F(CommandEnabling, TheRefreshIsQueuedAndMergedIntoOneAfterTheEvent) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    EngineBridge& bridge = window->document().bridge();
    QSignalSpy spy(&bridge, &EngineBridge::buttonStatesChanged);
    bridge.flushButtonStates();
    bridge.flushButtonStates();
    bridge.flushButtonStates();
    EXPECT_EQ(spy.count(), 0);  // not during the event
    settle();
    EXPECT_EQ(spy.count(), 1);
}

TEST_F(CommandEnabling, ACommandWhoseRuleDoesNotHoldIsNotRun) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    // Mute with nothing selected: disabled, so the shortcut does nothing.
    ASSERT_FALSE(enabled(*window, "muteButtonAction"));
    const bool undoBefore = window->document().undo().canUndo();
    window->runCommand("muteButtonAction");
    EXPECT_EQ(window->document().undo().canUndo(), undoBefore);
    // Adding a track is allowed and adds one.
    const size_t tracks = engine.audioTrackArray().size();
    window->runCommand("addTrackFunction");
    EXPECT_EQ(engine.audioTrackArray().size(), tracks + 1);
}

TEST_F(CommandEnabling, EveryCommandHasAShortcut) {
    std::size_t count = 0;
    const CommandRow* rows = commandRows(&count);
    auto window = openWindow();
    ASSERT_TRUE(window);
    for (std::size_t i = 0; i < count; ++i)
        EXPECT_FALSE(window->actions().action(rows[i].id())->shortcut().isEmpty()) << rows[i].id();
}

}  // namespace wavomer::app::test

namespace wavomer::app::test {

TEST_F(CommandEnabling, TheHelpMenuOffersTheHelpDocumentAndAboutNamedAfterTheProgram) {
    const CommandRow* help = commandRow("helpDocument");
    const CommandRow* about = commandRow("about");
    ASSERT_NE(help, nullptr);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(help->menu, Menu::help);
    EXPECT_EQ(about->menu, Menu::help);
    auto window = openWindow();
    ASSERT_TRUE(window);
    const QString name = QCoreApplication::applicationName();
    EXPECT_EQ(window->actions().action("about")->text(), QStringLiteral("About ") + name);
    EXPECT_EQ(window->actions().action("hideApplication")->text(), QStringLiteral("Hide ") + name);
    EXPECT_EQ(window->actions().action("quit")->text(), QStringLiteral("Quit ") + name);
    EXPECT_EQ(window->actions().action("helpDocument")->text(), name + QStringLiteral(" Help"));
    EXPECT_TRUE(window->actions().action("helpDocument")->isEnabled());
    EXPECT_TRUE(window->actions().action("about")->isEnabled());
}

TEST(CommandRows, EachHasOneIdAndAHandlerAndEveryCommandTheCoreRulesHasARow) {
    std::size_t count = 0;
    const CommandRow* rows = commandRows(&count);
    std::set<std::string> ids;
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_FALSE(rows[i].id().empty()) << i;
        EXPECT_TRUE(ids.insert(std::string(rows[i].id())).second) << rows[i].id();
        EXPECT_NE(rows[i].run, nullptr) << rows[i].id();
        EXPECT_EQ(commandRow(rows[i].id()), &rows[i]);
    }
    std::size_t coreCount = 0;
    const CommandEntry* core = commandTable(&coreCount);
    for (std::size_t i = 0; i < coreCount; ++i) {
        bool found = false;
        for (std::size_t r = 0; r < count; ++r) found = found || rows[r].windowCommand == core[i].command;
        EXPECT_TRUE(found) << core[i].action;
    }
    // The core names the commands it rules; the window names only the others.
    EXPECT_EQ(commandRow("importAudioAction")->windowCommand, WindowCommand::import);
    EXPECT_EQ(commandRow("zoomIn")->windowCommand, WindowCommand::zoom);
}

TEST_F(CommandEnabling, TheProgramsCommandsGoToTheProgram) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    for (const char* id :
         {"newProject", "openProject", "preferences", "helpDocument", "about", "hideApplication", "quit"})
        window->runCommand(id);
    EXPECT_EQ(program_.asked, (QStringList{"newProject", "openProject", "showPreferences", "showHelp", "showAbout",
                                           "hideWindows", "quit"}));
}

TEST_F(CommandEnabling, AnEditCommandReloadsTheRowsAndRefreshesTheStatesOnce) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 2.0, 0.0, 0.5)));
    // The recovery's timed copies run as events of their own, at times of their own;
    // closed, they leave only the commands' refreshes to count.
    window->document().recovery().close();
    settle();
    EngineBridge& bridge = window->document().bridge();
    for (const char* id : {"addTrackFunction", "selectAll", "muteButtonAction", "undo"}) {
        QSignalSpy changed(&bridge, &EngineBridge::projectChanged);
        QSignalSpy states(&bridge, &EngineBridge::buttonStatesChanged);
        const int reloads = window->timeline().reloadCount();
        window->runCommand(id);
        settle();
        const int expected = std::string(id) == "selectAll" ? 0 : 1;  // a selection changes no content
        EXPECT_EQ(changed.count(), expected) << id;
        EXPECT_EQ(window->timeline().reloadCount() - reloads, expected) << id;
        EXPECT_EQ(states.count(), 1) << id;
    }
}

}  // namespace wavomer::app::test
