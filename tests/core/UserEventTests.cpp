// One user event: the project lock held and one undo group open for its whole length,
// the edited mark set only when it changed the project.
#include <fstream>
#include <thread>

#include "engine/EditActions.h"
#include "support/EngineFixture.h"

namespace wavomer {
namespace {

class UserEventTest : public test::EngineTest {};

TEST_F(UserEventTest, HoldsTheLockAndMakesNestedChangesOneUndoStep) {
    lay(0, {audio(source("a.data", 2.0), 0.0, 2.0, 0.0)});
    EXPECT_FALSE(engine->isInUserEvent());
    const size_t stepsBefore = undo.undoStepCount();
    {
        UserEvent outer(*engine);
        EXPECT_TRUE(engine->isInUserEvent());
        bool readerGotIt = true;
        std::thread reader([&] {
            readerGotIt = engine->projectLock.try_lock();
            if (readerGotIt) engine->projectLock.unlock();
        });
        reader.join();
        EXPECT_FALSE(readerGotIt);
        EditActions::addTrackFunction(*engine);
        {
            UserEvent inner(*engine);
            EditActions::addTrackFunction(*engine);
        }
        // A thread other than the main one is never inside the event.
        bool otherThreadInside = true;
        std::thread([&] { otherThreadInside = engine->isInUserEvent(); }).join();
        EXPECT_FALSE(otherThreadInside);
    }
    EXPECT_FALSE(engine->isInUserEvent());
    EXPECT_EQ(undo.undoStepCount(), stepsBefore + 1);
    const size_t tracks = engine->audioTrackArray().size();
    event([&] { undo.undo(); });
    EXPECT_EQ(engine->audioTrackArray().size(), tracks - 2);
    EXPECT_TRUE(engine->projectLock.try_lock());
    engine->projectLock.unlock();
}

TEST_F(UserEventTest, OnlyAnEventThatChangedTheProjectMarksItEditedAndEachOuterEventIsToldOnce) {
    lay(0, {audio(source("a.data", 2.0), 0.0, 2.0, 0.0)});
    std::vector<bool> told;
    host.onUserEventEnded = [&](bool changed) { told.push_back(changed); };
    EXPECT_FALSE(engine->isDocumentEdited());
    { UserEvent looking(*engine); }
    EXPECT_FALSE(engine->isDocumentEdited());
    event([&] {
        UserEvent inner(*engine);
        EditActions::addTrackFunction(*engine);
    });
    EXPECT_TRUE(engine->isDocumentEdited());
    EXPECT_EQ(told, (std::vector<bool>{false, true}));
    host.onUserEventEnded = nullptr;
    engine->setDocumentEdited(false);
    // Undo changes the project too.
    event([&] { undo.undo(); });
    EXPECT_TRUE(engine->isDocumentEdited());
    // Loading (a new project here) clears it, even inside the event that loads.
    event([&] {
        EditActions::addTrackFunction(*engine);
        engine->readDataFromProject("");
    });
    EXPECT_FALSE(engine->isDocumentEdited());
}

TEST_F(UserEventTest, ASaveClearsTheEditedMarkAndAFailedOneKeepsIt) {
    lay(0, {audio(source("a.data", 2.0), 0.0, 2.0, 0.0)});
    event([&] { EditActions::addTrackFunction(*engine); });
    ASSERT_TRUE(engine->isDocumentEdited());
    // A project folder inside a file cannot be made.
    std::ofstream(dir.file("blocker")) << "a file";
    event([&] { EXPECT_FALSE(engine->saveProjectItemToPath(dir.file("blocker/p.wvmp"))); });
    EXPECT_TRUE(engine->isDocumentEdited());
    event([&] { EXPECT_OK(engine->saveProjectItemToPath(dir.file("p.wvmp"))); });
    EXPECT_FALSE(engine->isDocumentEdited());

    // The mark follows the history: the saved state is clean however it is reached.
    event([&] { EditActions::addTrackFunction(*engine); });
    EXPECT_TRUE(engine->isDocumentEdited());
    const std::vector<bool> expected{false, true, false, true};  // undo, undo, redo, redo
    std::vector<bool> seen;
    for (bool undoing : {true, true, false, false}) {
        event([&] { undoing ? undo.undo() : undo.redo(); });
        seen.push_back(engine->isDocumentEdited());
    }
    EXPECT_EQ(seen, expected);
    // A new edit made from before the save leaves the saved state out of reach.
    event([&] { undo.undo(); undo.undo(); });
    event([&] { EditActions::addTrackFunction(*engine); });
    event([&] { undo.undo(); });
    EXPECT_TRUE(engine->isDocumentEdited());
    // A state marked edited without being saved (a recovered one) stays edited.
    engine->setDocumentEdited(true);
    event([&] { EditActions::addTrackFunction(*engine); });
    event([&] { undo.undo(); });
    EXPECT_TRUE(engine->isDocumentEdited());
}

}  // namespace
}  // namespace wavomer
