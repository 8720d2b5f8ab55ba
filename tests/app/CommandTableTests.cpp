// The window's commands are enabled exactly as the state flags and the validation rules
// say, refreshed after every event: literal tables of what each state disables.
#include <QAction>
#include <QSignalSpy>
#include <set>
#include <string>

#include "AppTestSupport.h"
#include "actions/CommandTable.h"
#include "actions/WindowActions.h"
#include "bridge/EngineBridge.h"
#include "engine/PlaybackController.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "exporting/ExportPanels.h"

namespace wavomer::app::test {

namespace {

class CommandEnabling : public WindowTest {
protected:
    // Every command of the table is enabled but the ones listed, which are disabled.
    void expectDisabledExactly(MainWindow& window, const char* state, const std::set<std::string>& disabled) {
        std::size_t count = 0;
        const CommandRow* rows = commandRows(&count);
        for (std::size_t i = 0; i < count; ++i) {
            QAction* action = window.actions().action(rows[i].id);
            ASSERT_NE(action, nullptr) << rows[i].id;
            EXPECT_EQ(action->isEnabled(), !disabled.count(std::string(rows[i].id))) << state << ": " << rows[i].id;
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
                                                     "showVolumeSettingWindowAction"};
    auto with = [](std::set<std::string> a, const std::set<std::string>& b) {
        a.insert(b.begin(), b.end());
        return a;
    };

    expectDisabledExactly(*window, "new project",
                          with(editsOfASelection, {"delete", "convertAction", "convertOnMarksAction", "openId3SetAction",
                                                   "undo", "redo", "paste", "selectAll", "insertMuteAction",
                                                   "insertNoiseAction"}));

    ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 2.0, 0.0, 0.5)));
    expectDisabledExactly(*window, "imported",
                          with(editsOfASelection, {"delete", "convertOnMarksAction", "redo", "paste"}));

    {
        UserEvent event(engine);
        engine.selectTracks(0, 1);
        engine.setSelection(0.5, 1.5);
        engine.host().flushButtonStates();
    }
    settle();
    expectDisabledExactly(*window, "selection", {"convertOnMarksAction", "redo", "paste"});

    {
        UserEvent event(engine);
        engine.setSelection(1.0, 1.0);
        engine.updateCurrentTimelineTime(1.0);
    }
    window->runCommand(QStringLiteral("addMarkAction"));
    settle();
    const std::set<std::string> onTheMarker = with(editsOfASelection, {"redo", "paste", "addMarkAction"});
    expectDisabledExactly(*window, "marker at the cursor", onTheMarker);

    window->runCommand(QStringLiteral("playOrPause"));
    settle();
    ASSERT_TRUE(window->document().playback().isPlaying());
    expectDisabledExactly(*window, "playing",
                          with(onTheMarker, {"selectAll", "addTrackFunction", "deleteTrackFunction",
                                             "insertMuteAction", "insertNoiseAction", "recordButtonAction"}));
    window->runCommand(QStringLiteral("playOrPause"));
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

TEST_F(CommandEnabling, TheExportTagAndApplicationCommandsHaveRowsAndOnlyTheyOpenTheirPanels) {
    for (const char* id : {"convertAction", "convertOnMarksAction", "openId3SetAction", "preferences", "helpDocument",
                           "about", "hideApplication"}) {
        EXPECT_NE(commandRow(id), nullptr) << id;
    }
    // The seam answers for none of the editing commands (the rest would open windows or
    // hide the program, which a test must not do to the other windows of its run).
    auto window = openWindow();
    ASSERT_TRUE(window);
    for (const char* id : {"zoomIn", "cut", "addMarkAction"}) EXPECT_FALSE(openExportPanel(*window, QString::fromLatin1(id))) << id;
}

}  // namespace wavomer::app::test
