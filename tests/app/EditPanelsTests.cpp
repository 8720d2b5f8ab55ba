// The editing panels driven as a user would under the offscreen platform: the volume,
// custom fade, effect and insert dialogs over a window with a two-track project, their
// previews, and what OK, Cancel and the close button leave in the project and its undo
// history.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>

#include "AppTestSupport.h"
#include "bridge/EngineBridge.h"
#include "effects/EffectCatalogue.h"
#include "engine/PlaybackController.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "panels/EffectWindowController.h"
#include "panels/FadeSettingWindowController.h"
#include "panels/MuteNoiseWindowController.h"
#include "panels/VolumeWindowController.h"
#include "timeline/TimelineView.h"

namespace wavomer::app::test {

namespace {

// Every field of a section the panels may change.
struct SectionState {
    int32_t fadeMode;
    double fadeStartTimeOffset, fadeDuration, customFadeStart, customFadeStop, volumeValue;
    std::optional<EffectDic> effectDic;
    bool operator==(const SectionState& o) const {
        const bool sameEffect = effectDic.has_value() == o.effectDic.has_value() &&
                                (!effectDic || sameEffectSettings(*effectDic, *o.effectDic));
        return fadeMode == o.fadeMode && fadeStartTimeOffset == o.fadeStartTimeOffset && fadeDuration == o.fadeDuration &&
               customFadeStart == o.customFadeStart && customFadeStop == o.customFadeStop &&
               volumeValue == o.volumeValue && sameEffect;
    }
};

SectionState stateOf(const SectionPtr& s) {
    return {s->fadeMode,        s->fadeStartTimeOffset, s->fadeDuration, s->customFadeStart,
            s->customFadeStop,  s->volumeValue,         s->effectDic};
}

class EditPanels : public WindowTest {
protected:
    // A window over a stereo file of 10 s (two tracks), the range 2 s to 6 s selected on
    // both tracks.
    void SetUp() override {
        window = openWindow();
        ASSERT_TRUE(window);
        ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 10.0, 0.0, 0.5)));
        engine = &window->document().engine();
        ASSERT_EQ(engine->audioTrackArray().size(), 2u);
        select(2.0, 6.0);
        QObject::connect(&window->document().bridge(), &EngineBridge::projectChanged, [this] { ++changes; });
    }
    void TearDown() override { window.reset(); }

    void select(double start, double end) {
        {
            UserEvent event(*engine);
            engine->setTimelineTrackArray(engine->audioTrackArray());
            engine->setSelection(start, end);
        }
        window->refreshState();
        settle();
    }

    // Splits the tracks at the selected range, as an edit before any panel.
    void splitAtTheSelection() {
        UserEvent event(*engine);
        engine->getSelectedSectionsArray();
    }

    WindowContext& context() { return window->context(); }

    // Every section of every track, in order.
    std::vector<SectionPtr> allSections() const {
        std::vector<SectionPtr> all;
        for (const auto& track : engine->audioTrackArray())
            for (const auto& s : track->sectionArray()) all.push_back(s);
        return all;
    }
    std::vector<SectionState> allStates() const {
        std::vector<SectionState> states;
        for (const auto& s : allSections()) states.push_back(stateOf(s));
        return states;
    }
    // The sections of the selected range, after a panel split the tracks there.
    std::vector<SectionPtr> selectedSections() const {
        std::vector<SectionPtr> picked;
        for (const auto& s : allSections())
            if (s->trackStartTime >= 2.0 - 1e-6 && s->trackEndTime <= 6.0 + 1e-6) picked.push_back(s);
        return picked;
    }
    size_t undoSteps() const { return window->document().undo().undoStepCount(); }

    std::unique_ptr<MainWindow> window;
    WaveEditViewController* engine = nullptr;
    int changes = 0;  // the change notices the window received
};

// Runs the next modal dialog's answer as soon as it shows.
void whenModalShows(const std::function<void(QWidget*)>& answer) {
    QTimer::singleShot(0, [answer] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return whenModalShows(answer);
        answer(modal);
    });
}

}  // namespace

// --- the seam ------------------------------------------------------------------------

TEST_F(EditPanels, EachEditingCommandOpensItsPanelModally) {
    const struct {
        const char* id;
        const char* type;
    } panels[] = {{"showVolumeSettingWindowAction", "wavomer::app::VolumeWindowController"},
                  {"showCustomFadeAction", "wavomer::app::FadeSettingWindowController"},
                  {"showEffectSettingWindowAction", "wavomer::app::EffectWindowController"},
                  {"insertMuteAction", "wavomer::app::MuteNoiseWindowController"},
                  {"insertNoiseAction", "wavomer::app::MuteNoiseWindowController"}};
    for (const auto& panel : panels) {
        QString shown;
        whenModalShows([&](QWidget* modal) {
            shown = QString::fromLatin1(modal->metaObject()->className());
            static_cast<QDialog*>(modal)->reject();
        });
        window->runCommand(panel.id);
        EXPECT_EQ(shown.toStdString(), panel.type) << panel.id;
    }
}

// --- volume --------------------------------------------------------------------------

TEST_F(EditPanels, VolumeShowsOnePointZeroAtEveryOpening) {
    for (int opening = 0; opening < 2; ++opening) {
        VolumeWindowController panel(context());
        panel.open();
        EXPECT_FLOAT_EQ(panel.slideValue(), 1.0f);
        EXPECT_EQ(panel.slider().value(), 100);
        EXPECT_EQ(panel.field().text(), QStringLiteral("1"));
        panel.slider().setValue(300);
        EXPECT_FLOAT_EQ(panel.slideValue(), 3.0f);
        panel.accept();
    }
}

TEST_F(EditPanels, VolumeOkMultipliesEverySelectedSectionAsOneUndoStep) {
    splitAtTheSelection();
    for (const auto& s : selectedSections()) {
        UserEvent event(*engine);
        engine->audioSectionVolumeValue(s, 0.8);
    }
    const size_t steps = undoSteps();
    VolumeWindowController panel(context());
    panel.open();
    panel.show();
    panel.field().setFocus();
    panel.field().selectAll();
    QTest::keyClicks(&panel.field(), QStringLiteral("12"));
    QTest::keyClick(&panel.field(), Qt::Key_Return);
    EXPECT_FLOAT_EQ(panel.slideValue(), 10.0f);  // above 10 is 10
    // The gain shows in dB beside the factor, and a gain typed there sets the factor.
    EXPECT_EQ(panel.decibelField().text(), QStringLiteral("+20.0"));
    panel.decibelField().setFocus();
    panel.decibelField().selectAll();
    QTest::keyClicks(&panel.decibelField(), QStringLiteral("-6 dB"));
    QTest::keyClick(&panel.decibelField(), Qt::Key_Return);
    EXPECT_NEAR(panel.slideValue(), 0.501f, 0.001f);
    EXPECT_EQ(panel.field().text(), QStringLiteral("0.5012"));
    panel.slider().setValue(200);
    EXPECT_EQ(panel.field().text(), QStringLiteral("2"));
    EXPECT_EQ(panel.decibelField().text(), QStringLiteral("+6.0"));
    panel.accept();
    settle();
    EXPECT_EQ(changes, 1);  // the panel's edits reach the window as one merged change notice
    const auto sections = selectedSections();
    ASSERT_EQ(sections.size(), 2u);
    for (const auto& s : sections) EXPECT_NEAR(s->volumeValue, 1.6, 1e-6);
    EXPECT_EQ(undoSteps(), steps + 1);
    {
        UserEvent event(*engine);
        window->document().undo().undo();
    }
    for (const auto& s : selectedSections()) EXPECT_NEAR(s->volumeValue, 0.8, 1e-6);
}

TEST_F(EditPanels, ATypedVolumeIsCommittedByPlayAPressOnTheBackgroundAndAnAssistivePressOfOk) {
    splitAtTheSelection();
    VolumeWindowController panel(context());
    panel.open();
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    auto type = [&](const char* text) {
        panel.activateWindow();
        panel.field().setFocus();
        panel.field().selectAll();
        QTest::keyClicks(&panel.field(), QString::fromLatin1(text));
    };
    type("2");
    panel.transport().playButton().click();  // as an assistive tool presses it
    EXPECT_FLOAT_EQ(panel.slideValue(), 2.0f);
    panel.transport().playButton().click();  // pause again
    type("3");
    QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_FLOAT_EQ(panel.slideValue(), 3.0f);
    type("4");
    panel.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    for (const auto& s : selectedSections()) EXPECT_NEAR(s->volumeValue, 4.0, 1e-6);
}

TEST_F(EditPanels, VolumeCancelAfterMovingTheSliderLeavesProjectAndHistoryAlone) {
    const auto before = allSections();
    const auto states = allStates();
    const size_t steps = undoSteps();
    const bool edited = engine->isDocumentEdited();
    for (int way = 0; way < 2; ++way) {
        VolumeWindowController panel(context());
        panel.open();
        panel.show();
        panel.slider().setValue(450);
        if (way == 0) panel.reject();
        else panel.close();  // the close button
        EXPECT_EQ(allSections(), before);
        EXPECT_EQ(allStates(), states);
        EXPECT_EQ(undoSteps(), steps);
        EXPECT_EQ(engine->isDocumentEdited(), edited);
    }
}

TEST_F(EditPanels, VolumePreviewPlaysEachTrackAsItsOwnChannelScaledByTheFactor) {
    VolumeWindowController panel(context());
    panel.open();
    PreviewSource& source = panel.preview().source();
    EXPECT_EQ(source.audioSampleChannels(), 2);
    EXPECT_NEAR(panel.preview().sectionsDuration(), 4.0, 1e-9);
    panel.slider().setValue(250);
    const auto& arrays = panel.session()->sectionArrayArray();
    ASSERT_EQ(arrays.size(), 2u);
    for (int32_t c = 0; c < 2; ++c) {
        std::vector<float> got(512);
        source.readSample(got.data(), c, 512, 44100);
        for (int i = 0; i < 512; ++i) {
            const double t = 2.0 + (44100.0 + i) / 44100.0;
            const float want = arrays[c][0]->getAudioSamleWithTimeInTrack(t, false) * 2.5f;
            ASSERT_EQ(got[i], want) << "channel " << c << " frame " << i;
        }
        EXPECT_NEAR(std::fabs(got[0]), 1.25, 1e-6);  // the square wave of 0.5, times 2.5
    }
    panel.reject();
}

TEST_F(EditPanels, PreviewPlaysPausesSeeksAndStopsAtTheEnd) {
    VolumeWindowController panel(context());
    panel.open();
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    PreviewPlayer& preview = panel.preview();
    VolumeProgressView& bar = panel.transport().progressView();
    EXPECT_DOUBLE_EQ(bar.duration(), 4.0);
    EXPECT_EQ(panel.transport().playButton().accessibleName(), QStringLiteral("Play"));

    // A press at the bar's middle seeks to the middle; one 8 pixels above does nothing.
    const rules::ProgressBar geometry = bar.geometry();
    const int line = static_cast<int>(geometry.contentRect().centreY());
    const int middle = static_cast<int>(geometry.contentRect().x + geometry.contentRect().width / 2);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(middle, line));
    EXPECT_NEAR(preview.currentTime(), 2.0, 0.05);
    EXPECT_NEAR(bar.currentTime(), 2.0, 0.05);
    preview.seek(1.0);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(middle, line - 8));
    EXPECT_DOUBLE_EQ(preview.currentTime(), 1.0);

    QTest::mouseClick(&panel.transport().playButton(), Qt::LeftButton);
    EXPECT_TRUE(preview.isPlaying());
    EXPECT_TRUE(preview.isTicking());
    EXPECT_EQ(panel.transport().playButton().accessibleName(), QStringLiteral("Pause"));
    // The main player is not touched by the preview.
    EXPECT_FALSE(window->document().playback().isPlaying());
    QTest::mouseClick(&panel.transport().playButton(), Qt::LeftButton);
    EXPECT_FALSE(preview.isPlaying());
    EXPECT_FALSE(preview.isTicking());

    // At the end the tick stops, and the queued stop rewinds.
    preview.seek(4.0);
    preview.playPauseAction();
    preview.updateProgressWhenPlay();
    EXPECT_FALSE(preview.isTicking());
    ASSERT_TRUE(waitFor([&] { return !preview.isPlaying(); }));
    EXPECT_DOUBLE_EQ(preview.currentTime(), 0.0);
    EXPECT_DOUBLE_EQ(bar.currentTime(), 0.0);
    panel.reject();
}

// --- custom fade -----------------------------------------------------------------------

TEST_F(EditPanels, FadeLevelsStartAtOneAndTypedLevelsAreClamped) {
    {
        FadeSettingWindowController panel(context());
        panel.open();
        panel.updateControllerStartValue(0.3);
        panel.updateControllerStopValue(0.6);
        panel.accept();
    }
    FadeSettingWindowController panel(context());
    panel.open();
    panel.show();
    EXPECT_DOUBLE_EQ(panel.startValue(), 1.0);
    EXPECT_DOUBLE_EQ(panel.stopValue(), 1.0);
    EXPECT_EQ(panel.startField().text(), QStringLiteral("1"));
    EXPECT_DOUBLE_EQ(panel.graph().startValue(), 1.0);
    for (const auto& [typed, level] : {std::pair{"1.5", 1.0}, std::pair{"-0.2", 0.0}, std::pair{"0.5", 0.5}}) {
        panel.startField().setFocus();
        panel.startField().selectAll();
        QTest::keyClicks(&panel.startField(), QString::fromLatin1(typed));
        QTest::keyClick(&panel.startField(), Qt::Key_Return);
        EXPECT_DOUBLE_EQ(panel.startValue(), level) << typed;
        EXPECT_DOUBLE_EQ(panel.graph().startValue(), level) << typed;
    }
    // A field change is not written to the sections.
    for (const auto& s : selectedSections()) EXPECT_DOUBLE_EQ(s->customFadeStart, static_cast<double>(0.3f));
    panel.reject();
}

TEST_F(EditPanels, APressInTheLeftSlotSetsTheLevelAndFadesEverySectionAtOnce) {
    FadeSettingWindowController panel(context());
    panel.open();
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    CustomFadeGraphView& graph = panel.graph();
    EXPECT_EQ(graph.size(), QSize(260, 260));
    const rules::PanelRect g = graph.graphRect();
    EXPECT_EQ(g.width, 200);
    // 50 pixels above the graph's bottom, in the left slot.
    const QPoint press = graph.toWidget(QPointF(g.x + 2, g.y + 50)).toPoint();
    QTest::mousePress(&graph, Qt::LeftButton, {}, press);
    EXPECT_DOUBLE_EQ(panel.startValue(), 0.25);
    EXPECT_EQ(panel.startField().text(), QStringLiteral("0.25"));
    auto sections = selectedSections();
    ASSERT_EQ(sections.size(), 2u);
    for (const auto& s : sections) {
        EXPECT_EQ(s->fadeMode, 3);
        EXPECT_DOUBLE_EQ(s->customFadeStart, 0.25);
        EXPECT_DOUBLE_EQ(s->customFadeStop, 1.0);
        EXPECT_NEAR(s->fadeDuration, 4.0, 1e-9);
        EXPECT_NEAR(s->fadeStartTimeOffset, 0.0, 1e-9);
    }
    // The drag keeps to the same knob wherever the pointer goes sideways.
    QTest::mouseMove(&graph, graph.toWidget(QPointF(g.x + 120, g.y + 150)).toPoint());
    EXPECT_DOUBLE_EQ(panel.startValue(), 0.75);
    EXPECT_DOUBLE_EQ(panel.stopValue(), 1.0);
    QTest::mouseRelease(&graph, Qt::LeftButton, {}, graph.toWidget(QPointF(g.x + 120, g.y + 150)).toPoint());
    for (const auto& s : selectedSections()) EXPECT_DOUBLE_EQ(s->customFadeStart, 0.75);
    // A press in the middle of the graph does nothing.
    QTest::mouseClick(&graph, Qt::LeftButton, {}, graph.toWidget(QPointF(g.x + 100, g.y + 20)).toPoint());
    EXPECT_DOUBLE_EQ(panel.startValue(), 0.75);
    EXPECT_DOUBLE_EQ(panel.stopValue(), 1.0);
    // The right slot sets the stop level.
    QTest::mouseClick(&graph, Qt::LeftButton, {}, graph.toWidget(QPointF(g.x + g.width, g.y + 20)).toPoint());
    EXPECT_DOUBLE_EQ(panel.stopValue(), static_cast<double>(0.1f));
    const size_t stepsBeforeOk = undoSteps();
    (void)stepsBeforeOk;
    panel.accept();
    for (const auto& s : selectedSections()) {
        EXPECT_DOUBLE_EQ(s->customFadeStart, 0.75);
        EXPECT_DOUBLE_EQ(s->customFadeStop, static_cast<double>(0.1f));
    }
}

TEST_F(EditPanels, FadeOkIsOneUndoStepAndCancelOrCloseRestoresEverything) {
    const auto before = allSections();
    const auto states = allStates();
    const size_t steps = undoSteps();
    for (int way = 0; way < 2; ++way) {
        FadeSettingWindowController panel(context());
        panel.open();
        panel.show();
        const rules::PanelRect g = panel.graph().graphRect();
        QTest::mousePress(&panel.graph(), Qt::LeftButton, {}, panel.graph().toWidget(QPointF(g.x, g.y + 40)).toPoint());
        QTest::mouseMove(&panel.graph(), panel.graph().toWidget(QPointF(g.x, g.y + 80)).toPoint());
        QTest::mouseRelease(&panel.graph(), Qt::LeftButton, {}, panel.graph().toWidget(QPointF(g.x, g.y + 80)).toPoint());
        ASSERT_EQ(selectedSections().front()->fadeMode, 3);
        if (way == 0) panel.reject();
        else panel.close();
        // Mode, offset, duration and levels are back, and so are the unsplit tracks.
        EXPECT_EQ(allSections(), before);
        EXPECT_EQ(allStates(), states);
        EXPECT_EQ(undoSteps(), steps);
    }
    FadeSettingWindowController panel(context());
    panel.open();
    for (double level : {0.1, 0.2, 0.3, 0.4}) panel.updateControllerStartValue(level);
    panel.accept();
    EXPECT_EQ(undoSteps(), steps + 1);
    {
        UserEvent event(*engine);
        window->document().undo().undo();
    }
    EXPECT_EQ(allSections(), before);
    EXPECT_EQ(allStates(), states);
}

// --- effects -------------------------------------------------------------------------

TEST_F(EditPanels, ThePopupOffersNoneAndTheWholeCatalogue) {
    EffectWindowController panel(context());
    panel.open();
    const std::vector<std::string> names = getAllEffects();
    ASSERT_EQ(panel.effectPopBtn().count(), static_cast<int>(names.size()) + 1);
    EXPECT_EQ(panel.effectPopBtn().itemText(0), QStringLiteral("None"));
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(panel.effectPopBtn().itemText(static_cast<int>(i) + 1).toStdString(), names[i]);
    EXPECT_EQ(panel.settingCount(), 0);
    EXPECT_EQ(panel.controlView().height(), 132);
    // A new panel's settings area is as tall as its view, in a window of at least 250.
    panel.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(panel.findChild<QScrollArea*>()->viewport()->height(), 132);
    EXPECT_GE(panel.height(), 250);
    panel.reject();
}

TEST_F(EditPanels, LowPassShowsItsTwoRowsAndAppliesAtOnce) {
    EffectWindowController panel(context());
    panel.open();
    panel.show();
    panel.chooseEffect(QStringLiteral("Low Pass"));
    const auto& rows = panel.effectItemViewArray();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->labelName(), "Cutoff Frequency");
    EXPECT_EQ(rows[0]->minValue(), 10);
    EXPECT_EQ(rows[0]->maxValue(), 20000);
    EXPECT_EQ(rows[0]->currentValue(), 6900);
    EXPECT_EQ(rows[0]->valueField().text(), QStringLiteral("6900"));
    EXPECT_EQ(rows[0]->unitLabel().text(), QStringLiteral("Hz"));
    EXPECT_TRUE(rows[0]->unitLabel().isVisible());
    EXPECT_EQ(rows[1]->labelName(), "Resonance");
    EXPECT_EQ(rows[1]->minValue(), -20);
    EXPECT_EQ(rows[1]->maxValue(), 40);
    EXPECT_EQ(rows[1]->currentValue(), 0);
    EXPECT_EQ(rows[1]->unitName(), "dB");
    EXPECT_EQ(rows[1]->geometry(), QRect(0, 30, panel.controlView().width(), 30));
    EXPECT_EQ(panel.controlView().height(), 132);
    for (const auto& s : selectedSections()) {
        ASSERT_TRUE(s->effectDic);
        std::string name;
        ASSERT_TRUE(s->effectDic->at("name").asString(name));
        EXPECT_EQ(name, "Low Pass");
    }
    // A slider move is applied at once, rounded as the row shows it.
    rows[1]->valueField().setFocus();
    rows[1]->valueField().selectAll();
    QTest::keyClicks(&rows[1]->valueField(), QStringLiteral("12.345"));
    QTest::keyClick(&rows[1]->valueField(), Qt::Key_Return);
    EXPECT_DOUBLE_EQ(rows[1]->currentValue(), 12.3);
    EXPECT_EQ(rows[1]->valueField().text(), QStringLiteral("12.3"));
    double resonance = 0.0;
    ASSERT_TRUE(selectedSections().front()->effectDic->at("Resonance").asDouble(resonance));
    EXPECT_DOUBLE_EQ(resonance, 12.3);
    // Reset goes back to the defaults.
    panel.resetButtonAction();
    ASSERT_TRUE(selectedSections().front()->effectDic->at("Resonance").asDouble(resonance));
    EXPECT_DOUBLE_EQ(resonance, 0.0);
    panel.reject();
}

TEST_F(EditPanels, RowsRoundTheirValuesAndHideIndexAndPercentUnits) {
    EffectSetting setting{"Test", -1000, 1000, 0.012345, "Hz"};
    EffectItemView row(setting, nullptr);
    EXPECT_EQ(row.valueField().text(), QStringLiteral("0.0123"));
    row.setCurrentValue(12.345);
    EXPECT_EQ(row.valueField().text(), QStringLiteral("12.3"));
    row.setCurrentValue(123.45);
    EXPECT_EQ(row.valueField().text(), QStringLiteral("123"));
    EXPECT_FALSE(row.isHiddenUnitName());
    EffectItemView index(EffectSetting{"Bands", 0, 5, 2.4, "index"}, nullptr);
    EXPECT_EQ(index.valueField().text(), QStringLiteral("2"));
    EXPECT_TRUE(index.isHiddenUnitName());
    EXPECT_TRUE(EffectItemView(EffectSetting{"Mix", 0, 100, 50, "%"}, nullptr).isHiddenUnitName());
}

TEST_F(EditPanels, GraphicEqualiserRowsAreItsBandsAndTheViewGrowsWithTheRows) {
    EffectWindowController panel(context());
    panel.open();
    panel.show();
    panel.chooseEffect(QStringLiteral("Graphic EQ 31"));
    const auto& rows = panel.effectItemViewArray();
    ASSERT_EQ(rows.size(), 31u);
    const auto bands = graphicEQBandFrequencies(31);
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_NE(rows[i]->labelName().find(std::to_string(bands[i]).substr(0, 2)), std::string::npos)
            << rows[i]->labelName();
        EXPECT_EQ(rows[i]->minValue(), -20);
        EXPECT_EQ(rows[i]->maxValue(), 20);
        EXPECT_EQ(rows[i]->currentValue(), 0);
        EXPECT_EQ(rows[i]->unitName(), "dB");
    }
    EXPECT_EQ(panel.controlView().height(), 930);
    const int tallWindow = panel.height();
    // Every effect's view is max(132, 30 rows) high, seven rows 210.
    for (const std::string& name : getAllEffects()) {
        panel.chooseEffect(QString::fromStdString(name));
        const long n = panel.settingCount();
        EXPECT_EQ(panel.controlView().height(), std::max(132L, 30 * n)) << name;
    }
    panel.chooseEffect(QStringLiteral("Low Pass"));
    EXPECT_LT(panel.height(), tallWindow);
    EXPECT_GE(panel.height(), 250);
    panel.reject();
}

TEST_F(EditPanels, EffectCancelGivesEverySectionItsOwnEffectBackAndLeavesNoStep) {
    // One track's section in the range carries an effect already, the other none.
    splitAtTheSelection();
    auto sections = selectedSections();
    ASSERT_EQ(sections.size(), 2u);
    {
        UserEvent event(*engine);
        engine->audioSectionEffectDic(sections[0], *effectDicWithDefaults("Low Pass", {{"Resonance", 5.0}}));
    }
    const auto states = allStates();
    const size_t steps = undoSteps();
    EffectWindowController panel(context());
    panel.open();
    panel.chooseEffect(QStringLiteral("High Pass"));
    panel.effectItemViewArray()[0]->slider().setValue(10);
    panel.effectItemViewArray()[0]->slider().setValue(20);
    panel.chooseEffect(QStringLiteral("Graphic EQ 10"));
    panel.reject();
    EXPECT_EQ(allStates(), states);
    EXPECT_TRUE(selectedSections()[0]->effectDic);
    EXPECT_FALSE(selectedSections()[1]->effectDic);
    EXPECT_EQ(undoSteps(), steps);
    // An undo now takes back the edit before the panel, not what was cancelled.
    {
        UserEvent event(*engine);
        window->document().undo().undo();
    }
    EXPECT_FALSE(selectedSections()[0]->effectDic);
}

TEST_F(EditPanels, NoneAndOkRemoveTheEffectInOneStep) {
    {
        EffectWindowController panel(context());
        panel.open();
        panel.chooseEffect(QStringLiteral("Low Pass"));
        panel.effectItemViewArray()[1]->slider().setValue(700);
        panel.accept();
    }
    for (const auto& s : selectedSections()) ASSERT_TRUE(s->effectDic);
    const size_t steps = undoSteps();
    EffectWindowController panel(context());
    panel.open();
    EXPECT_EQ(panel.effectPopBtn().currentIndex(), 0);
    panel.chooseEffect(QStringLiteral("Delay"));
    panel.chooseEffect(QStringLiteral("None"));
    EXPECT_EQ(panel.settingCount(), 0);
    panel.accept();
    for (const auto& s : selectedSections()) EXPECT_FALSE(s->effectDic);
    EXPECT_EQ(undoSteps(), steps + 1);
    {
        UserEvent event(*engine);
        window->document().undo().undo();
    }
    for (const auto& s : selectedSections()) EXPECT_TRUE(s->effectDic);
}

// --- insert ----------------------------------------------------------------------------

TEST_F(EditPanels, InsertNoiseOfOneAndAHalfMinutesAtTheCursor) {
    {
        UserEvent event(*engine);
        engine->resetSelectedTimelineStartEndTime();
        engine->updateCurrentTimelineTime(4.0);
    }
    MuteNoiseWindowController dialog(context());
    dialog.updateWindowWithMute(false);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Noise"));
    EXPECT_EQ(dialog.promptLabel().text(), QStringLiteral("Insert noise duration:"));
    EXPECT_EQ(dialog.durationField().text(), QStringLiteral("00:00.000"));
    dialog.durationField().setFocus();
    dialog.durationField().selectAll();
    QTest::keyClicks(&dialog.durationField(), QStringLiteral("1:30"));
    const size_t steps = undoSteps();
    dialog.accept();  // commits the field first
    EXPECT_DOUBLE_EQ(dialog.insertTime(), 90.0);
    settle();
    EXPECT_EQ(changes, 1);
    EXPECT_NEAR(engine->farestTrackEndTime(), 100.0, 0.001);
    EXPECT_EQ(undoSteps(), steps + 1);
    for (const auto& track : engine->audioTrackArray()) {
        bool noise = false;
        for (const auto& s : track->sectionArray())
            if (s->isNoiseSection && std::fabs(s->trackStartTime - 4.0) < 0.001 && std::fabs(s->trackEndTime - 94.0) < 0.001)
                noise = true;
        EXPECT_TRUE(noise);
    }
}

TEST_F(EditPanels, ANegativeDurationShowsZeroAndInsertsNothingAndTwelveHoursIsTheMost) {
    MuteNoiseWindowController dialog(context());
    dialog.updateWindowWithMute(true);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Mute"));
    EXPECT_EQ(dialog.promptLabel().text(), QStringLiteral("Insert mute duration:"));
    dialog.durationField().setFocus();
    dialog.durationField().selectAll();
    QTest::keyClicks(&dialog.durationField(), QStringLiteral("900:00"));
    dialog.controlTextDidEndEditing();  // what leaving the field runs
    EXPECT_EQ(dialog.durationField().text(), QStringLiteral("720:00.000"));
    dialog.durationField().setFocus();
    dialog.durationField().selectAll();
    QTest::keyClicks(&dialog.durationField(), QStringLiteral("2.3"));
    dialog.controlTextDidEndEditing();  // what leaving the field runs
    EXPECT_EQ(dialog.durationField().text(), QStringLiteral("00:02.300"));
    dialog.durationField().setFocus();
    dialog.durationField().selectAll();
    QTest::keyClicks(&dialog.durationField(), QStringLiteral("-5"));
    dialog.controlTextDidEndEditing();  // what leaving the field runs
    EXPECT_EQ(dialog.durationField().text(), QStringLiteral("00:00.000"));
    const double length = engine->farestTrackEndTime();
    const size_t steps = undoSteps();
    dialog.accept();
    EXPECT_DOUBLE_EQ(engine->farestTrackEndTime(), length);
    EXPECT_EQ(undoSteps(), steps);
}

TEST_F(EditPanels, TheInsertCommandsPauseThePlayerBeforeTheirDialog) {
    window->document().playback().playOrPause();
    ASSERT_TRUE(window->document().playback().isPlaying());
    bool playingWhileShown = true;
    whenModalShows([&](QWidget* modal) {
        playingWhileShown = window->document().playback().isPlaying();
        static_cast<QDialog*>(modal)->reject();
    });
    window->runCommand("insertNoiseAction");
    EXPECT_FALSE(playingWhileShown);
}

// --- assistive technology ----------------------------------------------------------------

TEST_F(EditPanels, EveryFieldIsNamedByTheLabelBesideIt) {
    VolumeWindowController volume(context());
    EXPECT_EQ(volume.field().accessibleName(), QStringLiteral("Volume factor"));
    EXPECT_EQ(volume.slider().accessibleName(), QStringLiteral("Volume factor"));
    EXPECT_FALSE(volume.transport().progressView().accessibleName().isEmpty());
    FadeSettingWindowController fade(context());
    EXPECT_EQ(fade.startField().accessibleName(), QStringLiteral("Start level"));
    EXPECT_EQ(fade.stopField().accessibleName(), QStringLiteral("Stop level"));
    EXPECT_FALSE(fade.graph().accessibleName().isEmpty());
    EffectWindowController effect(context());
    effect.open();
    effect.chooseEffect(QStringLiteral("Low Pass"));
    EXPECT_EQ(effect.effectPopBtn().accessibleName(), QStringLiteral("Effect"));
    EXPECT_EQ(effect.effectItemViewArray()[0]->valueField().accessibleName(), QStringLiteral("Cutoff Frequency"));
    EXPECT_EQ(effect.effectItemViewArray()[0]->nameLabel().buddy(), &effect.effectItemViewArray()[0]->valueField());
    effect.reject();
    MuteNoiseWindowController insert(context());
    insert.updateWindowWithMute(false);
    EXPECT_EQ(insert.durationField().accessibleName(), QStringLiteral("Insert noise duration:"));
}

}  // namespace wavomer::app::test
