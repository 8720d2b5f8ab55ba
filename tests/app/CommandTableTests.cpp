// The window's commands are enabled exactly by the state flags and the validation
// rules, refreshed after every event.
#include <QAction>
#include <QSignalSpy>

#include "AppTestSupport.h"
#include "actions/CommandTable.h"
#include "actions/WindowActions.h"
#include "bridge/EngineBridge.h"
#include "engine/PlaybackController.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "engine/WindowState.h"
#include "exporting/ExportPanels.h"

namespace wavomer::app::test {

namespace {

class CommandEnabling : public WindowTest {
protected:
    // Every row's action against the rule, with the flags read afresh from the engine.
    void expectEveryCommandFollowsItsRule(MainWindow& window, const char* state) {
        WaveEditViewController& engine = window.document().engine();
        const StateFlags flags = stateFlagsOf(engine, window.document().playback().isPlaying());
        EditState edit;
        edit.canUndo = window.document().undo().canUndo();
        edit.canRedo = window.document().undo().canRedo();
        edit.canPaste = engine.canPaste();
        edit.markerSelected = engine.selectedMarkItem() != nullptr;
        std::size_t count = 0;
        const CommandRow* rows = commandRows(&count);
        for (std::size_t i = 0; i < count; ++i) {
            QAction* action = window.actions().action(rows[i].id);
            ASSERT_NE(action, nullptr) << rows[i].id;
            const bool expected = rows[i].windowCommand ? validateCommand(*rows[i].windowCommand, flags, false)
                                                        : commandEnabled(rows[i], flags, edit, false);
            EXPECT_EQ(action->isEnabled(), expected) << state << ": " << rows[i].id;
        }
    }
    bool enabled(MainWindow& window, const char* id) { return window.actions().action(id)->isEnabled(); }
};

}  // namespace

TEST_F(CommandEnabling, EveryCommandFollowsTheTableInEveryState) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();

    expectEveryCommandFollowsItsRule(*window, "new project");
    EXPECT_FALSE(enabled(*window, "convertAction"));  // no length yet
    EXPECT_TRUE(enabled(*window, "deleteTrackFunction"));

    ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 2.0, 0.0, 0.5)));
    expectEveryCommandFollowsItsRule(*window, "imported");
    EXPECT_TRUE(enabled(*window, "convertAction"));
    EXPECT_FALSE(enabled(*window, "muteButtonAction"));

    {
        UserEvent event(engine);
        engine.selectTracks(0, 1);
        engine.setSelection(0.5, 1.5);
        engine.host().flushButtonStates();
    }
    settle();
    expectEveryCommandFollowsItsRule(*window, "selection");
    EXPECT_TRUE(enabled(*window, "muteButtonAction"));
    EXPECT_TRUE(enabled(*window, "cut"));

    {
        UserEvent event(engine);
        engine.setSelection(1.0, 1.0);
        engine.updateCurrentTimelineTime(1.0);
    }
    window->runCommand(QStringLiteral("addMarkAction"));
    settle();
    expectEveryCommandFollowsItsRule(*window, "marker at the cursor");
    EXPECT_FALSE(enabled(*window, "addMarkAction"));  // the cursor is on the marker
    EXPECT_TRUE(enabled(*window, "convertOnMarksAction"));

    window->runCommand(QStringLiteral("playOrPause"));
    settle();
    ASSERT_TRUE(window->document().playback().isPlaying());
    expectEveryCommandFollowsItsRule(*window, "playing");
    EXPECT_FALSE(enabled(*window, "addTrackFunction"));
    EXPECT_FALSE(enabled(*window, "selectAll"));
    window->runCommand(QStringLiteral("playOrPause"));
    settle();
    EXPECT_FALSE(window->document().playback().isPlaying());
    expectEveryCommandFollowsItsRule(*window, "paused");
    EXPECT_TRUE(enabled(*window, "addTrackFunction"));
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
    window->runCommand(QStringLiteral("muteButtonAction"));
    EXPECT_EQ(window->document().undo().canUndo(), undoBefore);
    // Adding a track is allowed and adds one.
    const size_t tracks = engine.audioTrackArray().size();
    window->runCommand(QStringLiteral("addTrackFunction"));
    EXPECT_EQ(engine.audioTrackArray().size(), tracks + 1);
}

TEST_F(CommandEnabling, EveryCommandHasAShortcut) {
    std::size_t count = 0;
    const CommandRow* rows = commandRows(&count);
    auto window = openWindow();
    ASSERT_TRUE(window);
    for (std::size_t i = 0; i < count; ++i)
        EXPECT_FALSE(window->actions().action(rows[i].id)->shortcut().isEmpty()) << rows[i].id;
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

TEST_F(CommandEnabling, TheExportAndTagCommandsRunTheirPanelsInsteadOfTheNotYetMessage) {
    for (const char* id : {"convertAction", "convertOnMarksAction", "openId3SetAction", "preferences", "helpDocument",
                           "about", "hideApplication"}) {
        EXPECT_NE(commandRow(id), nullptr) << id;
    }
    // The seam answers for every one of them, and for nothing else.
    auto window = openWindow();
    ASSERT_TRUE(window);
    EXPECT_FALSE(openExportPanel(*window, QStringLiteral("zoomIn")));
    EXPECT_TRUE(openExportPanel(*window, QStringLiteral("hideApplication")));
}

}  // namespace wavomer::app::test
