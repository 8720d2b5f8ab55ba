// A panel's session: live changes while it is open, then one undo step on OK or the
// project and its history exactly as before on Cancel.
#include "engine/EditActions.h"
#include "engine/PanelEditSession.h"
#include "support/EngineFixture.h"

namespace wavomer {
namespace {

class PanelEditSessionTest : public test::EngineTest {
protected:
    // Two tracks of 4 s, a first edit (muting track 1's whole length) undone so that
    // there is a redo step, and the selection 1 s to 3 s on both tracks.
    void SetUp() override {
        EngineTest::SetUp();
        lay(0, {audio(source("a.data", 4.0), 0.0, 4.0, 0.0)});
        lay(1, {audio(source("b.data", 4.0), 0.0, 4.0, 0.0)});
        event([&] { engine->audioSectionVolumeValue(engine->audioTrackArray()[1]->sectionArray()[0], 0.5); });
        event([&] { engine->audioSectionVolumeValue(engine->audioTrackArray()[0]->sectionArray()[0], 0.8); });
        event([&] { undo.undo(); });
        engine->setDocumentEdited(false);
        event([&] { engine->setSelection(1.0, 3.0); });
        before0 = engine->audioTrackArray()[0]->sectionArray();
        before1 = engine->audioTrackArray()[1]->sectionArray();
    }

    SectionArray before0, before1;
};

TEST_F(PanelEditSessionTest, TakesTheSelectedSectionsOfEveryTrackSplitAtTheRange) {
    PanelEditSession session(*engine);
    ASSERT_EQ(session.sectionArrayArray().size(), 2u);
    for (const auto& sections : session.sectionArrayArray()) {
        ASSERT_EQ(sections.size(), 1u);
        EXPECT_NEAR(sections[0]->trackStartTime, 1.0, 1e-9);
        EXPECT_NEAR(sections[0]->trackEndTime, 3.0, 1e-9);
    }
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray().size(), 3u);
}

TEST_F(PanelEditSessionTest, DropPutsBackSectionsSplitsHistoryAndTheEditedMark) {
    const size_t steps = undo.undoStepCount();
    ASSERT_TRUE(undo.canRedo());
    {
        PanelEditSession session(*engine);
        for (double level : {0.2, 0.4, 0.6}) {
            session.change([&](WaveEditViewController& e) { EditActions::saveCustomFadeToSections(e, level, 1.0); });
        }
        session.change([&](WaveEditViewController& e) { EditActions::applyVolumeFactor(e, 2.0); });
        EXPECT_EQ(session.sectionArrayArray()[0][0]->fadeMode, 3);
        EXPECT_TRUE(engine->isDocumentEdited());
        session.drop();
        EXPECT_FALSE(session.isOpen());
    }
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray(), before0);
    EXPECT_EQ(engine->audioTrackArray()[1]->sectionArray(), before1);
    EXPECT_EQ(before0[0]->fadeMode, 0);
    EXPECT_DOUBLE_EQ(before0[0]->customFadeStart, 1.0);
    EXPECT_DOUBLE_EQ(before0[0]->volumeValue, 1.0);
    EXPECT_DOUBLE_EQ(before1[0]->volumeValue, 0.5);
    EXPECT_EQ(undo.undoStepCount(), steps);
    EXPECT_FALSE(engine->isDocumentEdited());
    // The redo step of the edit undone before the panel opened is still there.
    ASSERT_TRUE(undo.canRedo());
    event([&] { undo.redo(); });
    EXPECT_DOUBLE_EQ(before0[0]->volumeValue, 0.8);
}

TEST_F(PanelEditSessionTest, ASessionLeftOpenIsDroppedWhenItGoes) {
    const size_t steps = undo.undoStepCount();
    {
        PanelEditSession session(*engine);
        session.change([&](WaveEditViewController& e) { EditActions::applyVolumeFactor(e, 3.0); });
    }
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray(), before0);
    EXPECT_EQ(undo.undoStepCount(), steps);
}

TEST_F(PanelEditSessionTest, KeepMakesEveryChangeOneUndoStepThatRedoesWhole) {
    const size_t steps = undo.undoStepCount();
    PanelEditSession session(*engine);
    session.change([&](WaveEditViewController& e) { EditActions::saveCustomFadeToSections(e, 0.3, 1.0); });
    session.change([&](WaveEditViewController& e) { EditActions::saveCustomFadeToSections(e, 0.25, 0.75); });
    session.keep();
    session.change([&](WaveEditViewController& e) { EditActions::applyVolumeFactor(e, 9.0); });  // ignored
    const SectionArray after0 = engine->audioTrackArray()[0]->sectionArray();
    ASSERT_EQ(after0.size(), 3u);
    EXPECT_EQ(after0[1]->fadeMode, 3);
    EXPECT_DOUBLE_EQ(after0[1]->customFadeStart, 0.25);
    EXPECT_DOUBLE_EQ(after0[1]->customFadeStop, 0.75);
    EXPECT_DOUBLE_EQ(after0[1]->volumeValue, 1.0);
    EXPECT_EQ(undo.undoStepCount(), steps + 1);
    EXPECT_TRUE(engine->isDocumentEdited());
    EXPECT_FALSE(undo.canRedo());

    event([&] { undo.undo(); });
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray(), before0);
    EXPECT_EQ(engine->audioTrackArray()[1]->sectionArray(), before1);
    EXPECT_EQ(after0[1]->fadeMode, 0);
    event([&] { undo.redo(); });
    EXPECT_EQ(engine->audioTrackArray()[0]->sectionArray(), after0);
    EXPECT_EQ(after0[1]->fadeMode, 3);
    EXPECT_DOUBLE_EQ(after0[1]->customFadeStart, 0.25);
}

}  // namespace
}  // namespace wavomer
