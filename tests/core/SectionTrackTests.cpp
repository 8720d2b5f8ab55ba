// Sections and tracks: kinds, copies, sampling with volume and fades, the noise
// loop, read-ahead blocks and the per-track section cache.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "data/AudioWaveData.h"
#include "effects/AudioEffectProcessor.h"
#include "model/AudioTrack.h"
#include "model/MarkerItem.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

using namespace wavomer;
using wavomer::test::ScratchDir;
using wavomer::test::placedSection;
using wavomer::test::staircase;

namespace {

constexpr double kRate = 44100.0;

class SectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        AudioWaveDataCache::share().removeAll();
        constantPath = dir.file("const.data");
        wavomer::test::writeSampleFile(constantPath, 1, 44100 * 60, [](int, int64_t) { return 0.5f; });
        stairPath = dir.file("stairs.data");
        wavomer::test::writeSampleFile(stairPath, 2, 44100 * 3, staircase);
    }
    void TearDown() override { AudioWaveDataCache::share().removeAll(); }

    ScratchDir dir;
    std::string constantPath;
    std::string stairPath;
};

}  // namespace

TEST_F(SectionTest, ASectionMadeFromAPathSpansTheWholeSource) {
    auto s = AudioSection::sectionWithPath(stairPath);
    ASSERT_TRUE(s->audioPath);
    EXPECT_EQ(*s->audioPath, stairPath);
    EXPECT_EQ(s->startTime, 0.0);
    EXPECT_EQ(s->endTime, 3.0);
    EXPECT_EQ(s->trackStartTime, 0.0);
    EXPECT_EQ(s->trackEndTime, 0.0);
    EXPECT_FALSE(s->isAudioSampleDataLoaded());
    EXPECT_FALSE(s->audioSampleData());
    EXPECT_TRUE(s->audioWaveData());
    EXPECT_EQ(s->sectionDuration(), 3.0);
}

TEST_F(SectionTest, TheDefaultsAreThoseOfAFreshSection) {
    auto s = AudioSection::section();
    EXPECT_FALSE(s->audioPath);
    EXPECT_EQ(s->channel, 0);
    EXPECT_EQ(s->customFadeStart, 1.0);
    EXPECT_EQ(s->customFadeStop, 1.0);
    EXPECT_EQ(s->fadeDuration, 1.0);
    EXPECT_EQ(s->volumeValue, 1.0);
    EXPECT_FALSE(s->effectDic);
    EXPECT_EQ(s->allCoderKeys().size(), 16u);
    EXPECT_EQ(s->allCoderKeys().front(), "audioPath");
    EXPECT_EQ(s->allCoderKeys().back(), "isNoiseSection");
}

TEST_F(SectionTest, BlankAndMuteSectionsAreSilentWhateverElseTheyHold) {
    auto blank = AudioSection::blankSectionWithTrackStartTime(1.0, 3.5);
    EXPECT_TRUE(blank->isBlankSection);
    EXPECT_EQ(blank->startTime, 1.0);
    EXPECT_EQ(blank->endTime, 3.5);
    EXPECT_EQ(blank->sectionDuration(), 2.5);
    blank->audioPath = constantPath;
    blank->volumeValue = 3.0;
    blank->fadeMode = 1;
    EXPECT_EQ(blank->getAudioSamleWithTimeInTrack(2.0, false), 0.0f);

    auto mute = placedSection(constantPath, 0.0, 2.0, 0.0);
    mute->isMute = true;
    mute->loadAudioSampleData();
    EXPECT_EQ(mute->getAudioSamleWithTimeInTrack(1.0, false), 0.0f);
    EXPECT_EQ(mute->getAudioSamleWithTimeInTrack(1.0, true), 0.0f);
}

TEST_F(SectionTest, SamplingMapsTimelineTimeToTheSourceFrameAndAppliesVolume) {
    auto s = placedSection(stairPath, 1.0, 2.0, 5.0, 1);
    s->loadAudioSampleData();
    EXPECT_EQ(s->getAudioSamleWithTimeInTrack(5.0, false), staircase(1, 44100));
    EXPECT_EQ(s->getAudioSamleWithTimeInTrack(5.0 + 100 / kRate, false), staircase(1, 44100 + 100));
    s->volumeValue = 0.5;
    float v = s->getAudioSamleWithTimeInTrack(5.5, false);
    EXPECT_EQ(v, static_cast<float>(static_cast<double>(staircase(1, 44100 + 22050)) * 0.5));
}

TEST_F(SectionTest, TheReadAheadBlockIs2048FramesOr20480WithAnEffect) {
    auto s = placedSection(stairPath, 0.0, 3.0, 0.0);
    s->loadAudioSampleData();
    s->getSampleValueWithTime(0.25, false);
    EXPECT_EQ(s->cacheData().size(), 2048u);
    EXPECT_EQ(s->cacheOffset(), 11025);
    EXPECT_EQ(s->getSampleValueWithTime((11025 + 2047) / kRate, false), staircase(0, 11025 + 2047));
    EXPECT_EQ(s->cacheOffset(), 11025);
    EXPECT_EQ(s->getSampleValueWithTime((11025 + 2048) / kRate, false), staircase(0, 11025 + 2048));
    EXPECT_EQ(s->cacheOffset(), 11025 + 2048);

    // An effect that cannot run here still reads ahead in effect-sized blocks and
    // plays its samples unprocessed.
    s->effectDic = EffectDic{{"name", CoderValue("Net Send")}};
    s->getSampleValueWithTime(0.0, false);
    EXPECT_EQ(s->cacheData().size(), 20480u);
    EXPECT_EQ(s->getSampleValueWithTime(20000 / kRate, false), staircase(0, 20000));
}

TEST_F(SectionTest, SourceTimesRoundToTheNearestFrameWithHalvesAwayFromZero) {
    auto s = placedSection(stairPath, 0.0, 3.0, 0.0);
    s->loadAudioSampleData();
    uint32_t seed = 99;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        double frame = (seed % 130000) + (i % 4 == 0 ? 0.5 : (seed >> 20) / 4096.0);
        double time = frame / kRate;
        int64_t expected = std::llround(kRate * time);
        ASSERT_EQ(s->getSampleValueWithTime(time, false), staircase(0, expected)) << frame;
    }
    EXPECT_EQ(s->getSampleValueWithTime(std::nan(""), false), 0.0f);
}

TEST_F(SectionTest, ASectionWhoseFileCannotBeOpenedPlaysSilence) {
    auto s = placedSection(stairPath, 0.0, 3.0, 0.0);
    s->updateRecordSectionWithNewPath(dir.file("gone.data"));
    s->channel = 1;
    s->updateRecordSectionWithNewPath(dir.file("gone.data"));
    EXPECT_EQ(s->channel, 0);
    s->loadAudioSampleData();
    EXPECT_TRUE(s->isAudioSampleDataLoaded());
    EXPECT_EQ(s->getAudioSamleWithTimeInTrack(1.0, false), 0.0f);
    EXPECT_TRUE(s->isAudioSampleDataLoaded());
}

TEST_F(SectionTest, FadesFollowTheirCurvesAndFloorTheDuration) {
    auto s = placedSection(constantPath, 0.0, 10.0, 0.0);
    s->loadAudioSampleData();
    s->fadeMode = 1;
    s->fadeDuration = 2.0;
    EXPECT_NEAR(s->getAudioSamleWithTimeInTrack(0.0, false), 0.0f, 1e-7);
    EXPECT_NEAR(s->getAudioSamleWithTimeInTrack(1.0, false), 0.5 * std::sin(M_PI / 4), 1e-6);
    EXPECT_NEAR(s->getAudioSamleWithTimeInTrack(2.0, false), 0.5f, 1e-6);
    s->fadeMode = 2;
    EXPECT_NEAR(s->getAudioSamleWithTimeInTrack(0.0, false), 0.5f, 1e-7);
    EXPECT_NEAR(s->getAudioSamleWithTimeInTrack(2.0, false), 0.0f, 1e-6);
    s->fadeMode = 7;  // unknown modes leave the value alone
    EXPECT_EQ(s->getAudioSamleWithTimeInTrack(1.0, false), 0.5f);

    // A zero duration behaves as 0.001 s: the angle at 0.0005 s is pi/4.
    s->fadeMode = 1;
    s->fadeDuration = 0.0;
    float expected = static_cast<float>(0.5 * std::sin(1.5707963267948966 * 0.0005 / static_cast<double>(0.001f)));
    EXPECT_EQ(s->getAudioSamleWithTimeInTrack(0.0005, false), expected);
    s->fadeDuration = std::nan("");
    EXPECT_EQ(s->getAudioSamleWithTimeInTrack(0.0005, false), expected);
}

TEST_F(SectionTest, AFadeSplitAcrossTwoSectionsIsContinuousAtTheJoin) {
    auto first = placedSection(constantPath, 0.0, 1.0, 0.0);
    auto second = placedSection(constantPath, 1.0, 2.0, 1.0);
    for (auto& s : {first, second}) {
        s->fadeMode = 1;
        s->fadeDuration = 2.0;
        s->loadAudioSampleData();
    }
    second->fadeStartTimeOffset = 1.0;
    float fromFirst = first->getAudioSamleWithTimeInTrack(1.0, false);
    float fromSecond = second->getAudioSamleWithTimeInTrack(1.0, false);
    EXPECT_NEAR(fromFirst / 0.5f, 0.70710678f, 1e-6);
    EXPECT_EQ(fromFirst, fromSecond);
}

TEST_F(SectionTest, CustomFadesRunFromTheirStartLevelToTheirStopLevel) {
    auto s = placedSection(constantPath, 0.0, 10.0, 0.0);
    s->loadAudioSampleData();
    s->fadeMode = 3;
    s->fadeDuration = 4.0;
    s->customFadeStart = 1.0;
    s->customFadeStop = 0.0;
    EXPECT_NEAR(s->getAudioSamleWithTimeInTrack(0.0, false), 0.5, 1e-7);
    EXPECT_NEAR(s->getAudioSamleWithTimeInTrack(2.0, false), 0.5 * 0.70710678, 1e-6);
    EXPECT_NEAR(s->getAudioSamleWithTimeInTrack(4.0, false), 0.0, 1e-6);
    s->customFadeStart = 0.2;
    s->customFadeStop = 0.8;
    for (double t : {0.0, 1.0, 2.0, 3.0, 4.0}) {
        double a = 1.5707963267948966 * t / 4.0;
        EXPECT_NEAR(s->getAudioSamleWithTimeInTrack(t, false), 0.5 * (0.2 + 0.6 * std::sin(a)), 1e-6) << t;
    }
}

TEST_F(SectionTest, NoiseLoopsEveryFiftyOneSeconds) {
    std::string noisePath = dir.file("noise.data");
    wavomer::test::writeSampleFile(noisePath, 1, 44100 * 52, staircase);
    auto noise = AudioSection::sectionWithPath(noisePath);
    noise->isNoiseSection = true;
    noise->startTime = 0.0;
    noise->endTime = 60.0;
    noise->trackStartTime = 10.0;
    noise->trackEndTime = 70.0;
    noise->loadAudioSampleData();
    EXPECT_EQ(noise->getAudioSamleWithTimeInTrack(10.0 + 51.0, false), staircase(0, 0));
    EXPECT_EQ(noise->getAudioSamleWithTimeInTrack(10.0 + 52.0, false), staircase(0, 44100));
    EXPECT_EQ(noise->getAudioSamleWithTimeInTrack(10.0 + 50.0, false), staircase(0, 44100 * 50));
}

TEST_F(SectionTest, ACopyHasTheSameValuesButNoOpenFileOrBlock) {
    auto s = placedSection(stairPath, 0.5, 1.5, 2.0, 1);
    s->isMute = true;
    s->fadeMode = 3;
    s->customFadeStart = 0.3;
    s->customFadeStop = 0.6;
    s->fadeStartTimeOffset = 0.25;
    s->fadeDuration = 4.0;
    s->volumeValue = 0.7;
    s->effectDic = EffectDic{{"name", CoderValue("Low Pass")}, {"Cutoff Frequency", CoderValue(2000.0)}};
    s->isNoiseSection = true;
    s->loadAudioSampleData();
    s->getSampleValueWithTime(0.6, false);
    auto c = s->copy();
    for (const auto& key : s->allCoderKeys()) {
        CoderValue a = s->valueForKey(key);
        CoderValue b = c->valueForKey(key);
        EXPECT_EQ(a.value.index(), b.value.index()) << key;
        if (auto d = a.asDictionary()) {
            ASSERT_TRUE(b.asDictionary());
            EXPECT_EQ(d->size(), b.asDictionary()->size());
        } else if (!a.isNull()) {
            double x = 0, y = 0;
            std::string sx, sy;
            if (a.asDouble(x)) {
                b.asDouble(y);
                EXPECT_EQ(x, y) << key;
            } else {
                a.asString(sx);
                b.asString(sy);
                EXPECT_EQ(sx, sy) << key;
            }
        }
    }
    EXPECT_EQ(c->audioWaveData(), s->audioWaveData());
    EXPECT_FALSE(c->isAudioSampleDataLoaded());
    EXPECT_FALSE(c->audioSampleData());
    EXPECT_TRUE(c->cacheData().empty());
    EXPECT_EQ(c->cacheOffset(), 0);
    EXPECT_TRUE(s->audioSampleData());
}

TEST_F(SectionTest, KeyedValuesRoundTripAndToleratePlatformShapes) {
    auto s = AudioSection::section();
    s->setValueForKey("channel", CoderValue(int64_t(3)));
    s->setValueForKey("startTime", CoderValue(int32_t(2)));  // a whole double stored as an integer
    s->setValueForKey("isMute", CoderValue(int64_t(1)));
    s->setValueForKey("volumeValue", CoderValue("loud"));  // wrong type: ignored
    s->setValueForKey("unknownKey", CoderValue(1.0));
    EXPECT_EQ(s->channel, 3);
    EXPECT_EQ(s->startTime, 2.0);
    EXPECT_TRUE(s->isMute);
    EXPECT_EQ(s->volumeValue, 1.0);
    s->setValueForKey("audioPath", CoderValue(stairPath));
    s->didDecode();
    EXPECT_TRUE(s->audioWaveData());
}

TEST_F(SectionTest, MissingSourcesAreLookedUpInTheProjectsAudiosFolder) {
    ScratchDir project;
    std::string audios = project.path() + "/Audios";
    ASSERT_EQ(::mkdir(audios.c_str(), 0755), 0);
    wavomer::test::writeSampleFile(audios + "/moved.data", 1, 44100, [](int, int64_t) { return 0.25f; });
    auto kept = AudioSection::sectionWithPath(constantPath);
    kept->updateAudioPathWithDocumentPath(project.path());
    EXPECT_EQ(*kept->audioPath, constantPath);

    auto moved = AudioSection::section();
    moved->audioPath = dir.file("gone/moved.data");
    moved->updateAudioPathWithDocumentPath(project.path());
    EXPECT_EQ(*moved->audioPath, project.path() + "/Audios/moved.data");
    ASSERT_TRUE(moved->audioWaveData());
    EXPECT_NEAR(moved->getSampleWaveAtTime(0.5), 0.25f, 1e-6);

    auto blank = AudioSection::blankSectionWithTrackStartTime(0, 1);
    blank->updateAudioPathWithDocumentPath(project.path());
    EXPECT_FALSE(blank->audioPath);
}

TEST_F(SectionTest, TheWaveformShowsVolumeAndFadeAsTheyAreHeard) {
    auto s = placedSection(constantPath, 0.0, 10.0, 0.0);
    s->volumeValue = 0.5;
    s->fadeMode = 2;
    s->fadeDuration = 10.0;
    float envelope = s->getSampleWaveAtTime(5.0);
    EXPECT_NEAR(envelope, 0.5f, 1e-6);
    double a = 1.5707963267948966 * 5.0 / 10.0;
    float expected = static_cast<float>(static_cast<double>(static_cast<float>(envelope * 0.5)) * std::cos(a));
    EXPECT_EQ(s->getAudioSamleWithTimeInTrack(5.0, true), expected);
}

TEST_F(SectionTest, TrackEndTimeSumsTheSectionsAndIsCachedUntilCleared) {
    AudioTrack track;
    EXPECT_EQ(track.trackEndTime(), 0.0);
    auto a = placedSection(constantPath, 0.0, 10.0, 0.0);
    auto b = placedSection(constantPath, 20.0, 25.0, 10.0);
    track.setSectionArray({a, b});
    EXPECT_EQ(track.trackEndTime(), 15.0);
    b->endTime = 30.0;  // changed in place: the cached end stays
    EXPECT_EQ(track.trackEndTime(), 15.0);
    track.clearTrackCache();
    EXPECT_EQ(track.trackEndTime(), 20.0);
}

TEST_F(SectionTest, TrackReadsFindTheCoveringSectionAndKeepOneFileOpen) {
    AudioTrack track;
    auto a = placedSection(stairPath, 0.0, 1.0, 0.0, 0);
    auto gap = AudioSection::blankSectionWithTrackStartTime(1.0, 1.5);
    auto b = placedSection(stairPath, 2.0, 3.0, 1.5, 1);
    track.setSectionArray({a, gap, b});
    EXPECT_EQ(track.readSamplePointAtOffset(100), staircase(0, 100));
    EXPECT_EQ(track.currentUsedSection(), a);
    EXPECT_TRUE(a->audioSampleData());
    EXPECT_EQ(track.readSamplePointAtOffset(44100 + 100), 0.0f);
    EXPECT_FALSE(a->audioSampleData());
    EXPECT_EQ(track.readSamplePointAtOffset(66150 + 10), staircase(1, 88200 + 10));
    EXPECT_EQ(track.currentUsedSection(), b);
    EXPECT_FALSE(a->isAudioSampleDataLoaded());
    EXPECT_TRUE(b->audioSampleData());
    // Past the end of every section: silence.
    EXPECT_EQ(track.readSamplePointAtOffset(44100 * 10), 0.0f);

    // Waveform reads use their own cached section and open no file.
    track.readWavePointAtOffset(100);
    EXPECT_EQ(track.lastWaveSection(), a);
    EXPECT_FALSE(a->audioSampleData());
    EXPECT_EQ(track.currentUsedSection(), b);

    // A new list clears the caches and closes the open file.
    track.setSectionArray({a});
    EXPECT_FALSE(track.currentUsedSection());
    EXPECT_FALSE(track.lastWaveSection());
    EXPECT_FALSE(b->audioSampleData());
}

TEST_F(SectionTest, AtABoundaryTheSectionInUseWinsOtherwiseTheEarlierOne) {
    AudioTrack track;
    auto a = placedSection(stairPath, 0.0, 1.0, 0.0, 0);
    auto b = placedSection(stairPath, 0.0, 1.0, 1.0, 1);
    track.setSectionArray({a, b});
    track.readSamplePointAtOffset(44100 + 5);
    ASSERT_EQ(track.currentUsedSection(), b);
    EXPECT_EQ(track.readSamplePointAtOffset(44100), staircase(1, 0));
    EXPECT_EQ(track.currentUsedSection(), b);
    track.clearTrackCache();
    EXPECT_EQ(track.readSamplePointAtOffset(44100), staircase(0, 44100));
    EXPECT_EQ(track.currentUsedSection(), a);
}

TEST_F(SectionTest, ReadingEveryFrameThroughATrackGivesTheSourceInOrder) {
    AudioTrack track;
    auto a = placedSection(stairPath, 0.5, 1.25, 0.0, 1);
    auto b = placedSection(stairPath, 0.0, 0.5, 0.75, 0);
    track.setSectionArray({a, b});
    const int64_t aFrames = static_cast<int64_t>(0.75 * kRate);
    for (int64_t f = 0; f < aFrames; ++f) ASSERT_EQ(track.readSamplePointAtOffset(f), staircase(1, 22050 + f)) << f;
    for (int64_t f = aFrames + 1; f < aFrames + 22050; ++f)
        ASSERT_EQ(track.readSamplePointAtOffset(f), staircase(0, f - aFrames)) << f;
}

TEST_F(SectionTest, TrackArchiveKeysHoldTheSectionList) {
    AudioTrack track;
    auto a = placedSection(stairPath, 0.0, 1.0, 0.0);
    track.setSectionArray({a});
    CoderValue value = track.valueForKey("sectionArray");
    ASSERT_TRUE(value.asList());
    ASSERT_EQ(value.asList()->size(), 1u);
    AudioTrack other;
    CoderList mixed = *value.asList();
    mixed.push_back(CoderValue("not a section"));
    other.setValueForKey("sectionArray", CoderValue(mixed));
    ASSERT_EQ(other.sectionArray().size(), 1u);
    EXPECT_EQ(other.sectionArray()[0], a);
}

TEST(MarkerOrdering, MarkersSortByTimeAndEqualTimesStayDistinct) {
    std::vector<MarkerPtr> markers = {MarkerItem::createMarkerWithTime(3.0), MarkerItem::createMarkerWithTime(1.0),
                                      MarkerItem::createMarkerWithTime(2.0), MarkerItem::createMarkerWithTime(1.0)};
    sortMarkers(markers);
    ASSERT_EQ(markers.size(), 4u);
    EXPECT_EQ(markers[0]->markerTime, 1.0);
    EXPECT_EQ(markers[1]->markerTime, 1.0);
    EXPECT_NE(markers[0], markers[1]);
    EXPECT_EQ(markers[2]->markerTime, 2.0);
    EXPECT_EQ(markers[3]->markerTime, 3.0);
    EXPECT_EQ(sortMarkArray(*markers[3], *markers[0]), 1);
    EXPECT_EQ(sortMarkArray(*markers[0], *markers[3]), -1);
    EXPECT_EQ(sortMarkArray(*markers[0], *markers[1]), 0);
    // No tolerance: a millionth of a second apart is apart.
    auto a = MarkerItem::createMarkerWithTime(1.0);
    auto b = MarkerItem::createMarkerWithTime(1.000001);
    EXPECT_EQ(sortMarkArray(*a, *b), -1);
    EXPECT_EQ(a->itemView, nullptr);
    EXPECT_EQ(a->allCoderKeys(), std::vector<std::string>{"markerTime"});
    MarkerItem decoded;
    decoded.setValueForKey("markerTime", CoderValue(int32_t(4)));
    EXPECT_EQ(decoded.markerTime, 4.0);
}

TEST_F(SectionTest, AnEffectRunsOnAcrossReadAheadBlocksAsIfTheSectionWereProcessedAtOnce) {
    std::string path = dir.file("sine.data");
    const int64_t frames = 44100 * 3;
    wavomer::test::writeSampleFile(path, 1, frames, [](int, int64_t k) {
        return static_cast<float>(0.5 * std::sin(2 * M_PI * 3000.0 * k / 44100.0) + 0.3 * std::sin(2 * M_PI * 200.0 * k / 44100.0));
    });
    EffectDic lowPass{{"name", CoderValue("Low Pass")}, {"Cutoff Frequency", CoderValue(800.0)}, {"Resonance", CoderValue(0.0)}};
    for (const char* effect : {"Low Pass", "Matrix Reverb", "Peak Limiter"}) {
        EffectDic dic = std::string(effect) == "Low Pass" ? lowPass : EffectDic{{"name", CoderValue(effect)}};
        // The whole section through one processor in one go.
        std::vector<float> source(static_cast<size_t>(frames));
        {
            auto data = AudioSampleData::dataForReadingAtPath(path);
            data->readSample(source.data(), 0, static_cast<int32_t>(frames), 0);
        }
        auto processor = effectAudioWithInfo(dic);
        ASSERT_TRUE(processor) << effect;
        std::vector<float> whole(source.size());
        ASSERT_TRUE(processor->processAudioChannelSamples(source.data(), static_cast<int32_t>(frames), whole.data()));

        AudioTrack track;
        auto s = AudioSection::sectionWithPath(path);
        s->endTime = 3.0;
        s->trackEndTime = 3.0;
        s->effectDic = dic;
        track.setSectionArray({s});
        double worst = 0.0;
        for (int64_t f = 0; f < frames; ++f)
            worst = std::max(worst, std::fabs(double(track.readSamplePointAtOffset(f)) - whole[static_cast<size_t>(f)]));
        EXPECT_LT(worst, 1e-5) << effect;

        // A jump back starts a fresh stream from the new frame.
        const int64_t jump = 44100;
        auto fresh = effectAudioWithInfo(dic);
        std::vector<float> tail(static_cast<size_t>(frames - jump));
        ASSERT_TRUE(fresh->processAudioChannelSamples(source.data() + jump, static_cast<int32_t>(tail.size()), tail.data()));
        worst = 0.0;
        for (int64_t f = jump; f < jump + 30000; ++f)
            worst = std::max(worst, std::fabs(double(track.readSamplePointAtOffset(f)) - tail[static_cast<size_t>(f - jump)]));
        EXPECT_LT(worst, 1e-5) << effect;
    }
}

TEST_F(SectionTest, BlockReadsGiveExactlyTheFrameByFrameValuesOnRandomProjects) {
    std::string noisePath = dir.file("noise.data");
    wavomer::test::writeSampleFile(noisePath, 1, 44100 * 52, staircase);
    uint32_t seed = 4242;
    auto next = [&](uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    for (int project = 0; project < 12; ++project) {
        // A track of random pieces: audio of either channel, blank, mute and noise,
        // with random volumes, fades and lengths (some far shorter than a block).
        auto build = [&](uint32_t localSeed) {
            uint32_t saved = seed;
            seed = localSeed;
            SectionArray sections;
            double at = 0.0;
            for (int k = 0; k < 14; ++k) {
                double length = (1 + next(40000)) / 44100.0 + next(3) * 0.37;
                SectionPtr s;
                switch (next(5)) {
                    case 0: s = AudioSection::blankSectionWithTrackStartTime(at, at + length); break;
                    case 1: {
                        s = AudioSection::blankSectionWithTrackStartTime(at, at + length);
                        s->isMute = true;
                        s->isBlankSection = false;
                        break;
                    }
                    case 2: {
                        s = AudioSection::sectionWithPath(noisePath);
                        s->isNoiseSection = true;
                        s->startTime = next(50);
                        s->endTime = s->startTime + length;
                        s->trackStartTime = at;
                        s->trackEndTime = at + length;
                        break;
                    }
                    default: {
                        double start = next(100) / 100.0;
                        s = placedSection(stairPath, start, start + std::min(length, 1.5), at, static_cast<int>(next(2)));
                        length = s->trackEndTime - s->trackStartTime;
                    }
                }
                s->volumeValue = next(4) * 0.4;
                s->fadeMode = static_cast<int32_t>(next(5));
                s->fadeDuration = next(3) * 0.8;
                s->fadeStartTimeOffset = next(2) * 0.3;
                s->customFadeStart = next(10) / 10.0;
                s->customFadeStop = next(10) / 10.0;
                sections.push_back(s);
                at += length;
            }
            seed = saved;
            return sections;
        };
        uint32_t projectSeed = next(1u << 30);
        AudioTrack frameByFrame;
        AudioTrack blocks;
        frameByFrame.setSectionArray(build(projectSeed));
        blocks.setSectionArray(build(projectSeed));
        const int64_t total = static_cast<int64_t>(frameByFrame.trackEndTime() * 44100) + 500;
        std::vector<float> block(5000);
        for (int64_t f = 0; f < total;) {
            int32_t n = static_cast<int32_t>(1 + next(4999));
            blocks.readSamplesAtOffset(block.data(), n, f);
            for (int32_t i = 0; i < n; ++i)
                ASSERT_EQ(block[i], frameByFrame.readSamplePointAtOffset(f + i)) << "project " << project << " frame " << f + i;
            f += n;
        }
    }
}

TEST_F(SectionTest, BlockReadsMatchFrameByFrameWhereverSectionsSitBetweenFrames) {
    // How far (in frames) section edges miss the frame grid: on it, a quarter,
    // a half and a hair either side of it (where each frame's rounding must be
    // decided on its own), a little further off, nearly a whole frame.
    const double misses[] = {0.5 - 1e-9, 0.25, 0.5, 0.0, 0.5 + 1e-9, 0.48, 0.52, 0.999999, 1e-12, -0.3};
    // Where on the timeline: the start, three hours in, a month in, half a year
    // in, and past 2^24 s.
    const double origins[] = {0.0, 3 * 3600.0 + 0.123, 30 * 86400.0, 1.6e7, 2.0e7};
    uint32_t seed = 77;
    auto next = [&](uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % range;
    };
    auto bits = [](float v) {
        uint32_t b;
        std::memcpy(&b, &v, sizeof b);
        return b;
    };
    for (double origin : origins) {
        for (int k = 0; k < 11; ++k) {
            auto build = [&] {
                double trackStart = origin + (std::floor(origin * kRate) - origin * kRate + misses[k % 10]) / kRate;
                if (k == 10) {
                    // The last: of the neighbouring doubles, the one missing by a half
                    // as nearly as this far along the timeline allows.
                    double best = 1.0;
                    for (double t = trackStart, i = 0; i < 4000; ++i, t = std::nextafter(t, 1e300)) {
                        const double offset = kRate * (1000 / kRate - t);
                        const double distance = std::fabs(std::fabs(offset - std::trunc(offset)) - 0.5);
                        if (distance < best) best = distance, trackStart = t;
                    }
                }
                // The first section reads from a whole frame, so its timeline miss is
                // the whole offset; the second misses on both sides.
                auto first = placedSection(stairPath, 1000 / kRate, 1000 / kRate + 0.3, trackStart, k % 2);
                const double secondStart = (90001 + misses[(k * 7) % 10]) / kRate;
                auto second = placedSection(stairPath, secondStart, secondStart + 0.2, first->trackEndTime);
                first->fadeMode = k % 4;
                first->fadeDuration = 0.2;
                first->volumeValue = k % 3 == 0 ? 1.0 : 0.7;
                second->volumeValue = 0.3;
                SectionArray sections{AudioSection::blankSectionWithTrackStartTime(0.0, trackStart), first, second};
                return sections;
            };
            AudioTrack frameByFrame, blocks;
            frameByFrame.setSectionArray(build());
            blocks.setSectionArray(build());
            const int64_t from = static_cast<int64_t>(origin * kRate) - 50;
            const int64_t to = static_cast<int64_t>(frameByFrame.trackEndTime() * kRate) + 50;
            ASSERT_GT(to - from, 0.5 * kRate);
            std::vector<float> block(6000);
            for (int64_t f = from; f < to;) {
                const int32_t n = static_cast<int32_t>(1 + next(5999));
                blocks.readSamplesAtOffset(block.data(), n, f);
                for (int32_t i = 0; i < n; ++i)
                    ASSERT_EQ(bits(block[i]), bits(frameByFrame.readSamplePointAtOffset(f + i)))
                        << "origin " << origin << " miss " << k << " frame " << f + i;
                f += n;
            }
        }
    }
}

TEST_F(SectionTest, BlockReadsKeepEvenOddSampleBitsAsTheFrameByFrameReadGivesThem) {
    // A damaged source may hold signalling NaNs and negative zeros: the block read
    // must hand out the same bits as the frame-by-frame read, at full volume too.
    std::string oddPath = dir.file("odd.data");
    wavomer::test::writeSampleFile(oddPath, 1, 10000, [](int, int64_t k) {
        if (k % 3 == 0) return std::numeric_limits<float>::signaling_NaN();
        return k % 3 == 1 ? -0.0f : static_cast<float>(k);
    });
    for (double volume : {1.0, 0.5}) {
        AudioTrack frameByFrame, blocks;
        frameByFrame.setSectionArray({placedSection(oddPath, 0.0, 0.2, 0.0)});
        blocks.setSectionArray({placedSection(oddPath, 0.0, 0.2, 0.0)});
        frameByFrame.sectionArray()[0]->volumeValue = volume;
        blocks.sectionArray()[0]->volumeValue = volume;
        std::vector<float> block(8000);
        blocks.readSamplesAtOffset(block.data(), 8000, 0);
        for (int32_t i = 0; i < 8000; ++i) {
            const float single = frameByFrame.readSamplePointAtOffset(i);
            ASSERT_EQ(std::memcmp(&block[i], &single, sizeof single), 0) << "volume " << volume << " frame " << i;
        }
    }
}

TEST_F(SectionTest, ChangingTheEffectTakesHoldAtTheVeryNextRead) {
    // Reads inside a read-ahead block made with the old settings must not keep
    // playing them (up to 20480 frames, about half a second).
    auto s = placedSection(stairPath, 0.0, 3.0, 0.0);
    AudioTrack track;
    track.setSectionArray({s});
    EXPECT_EQ(track.readSamplePointAtOffset(100), staircase(0, 100));
    s->setEffectDic(EffectDic{{"name", CoderValue("Low Pass")}, {"Cutoff Frequency", CoderValue(50.0)}});
    const float filtered = track.readSamplePointAtOffset(101);
    EXPECT_GT(std::fabs(filtered - staircase(0, 101)), 10.0f) << "still the unprocessed block";
    s->setEffectDic(std::nullopt);
    std::vector<float> block(64);
    track.readSamplesAtOffset(block.data(), 64, 102);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(block[i], staircase(0, 102 + i)) << "still the filtered block at " << i;
}

TEST_F(SectionTest, ANewSourcePathDropsTheOldSourcesBlockAndEnvelope) {
    std::string otherPath = dir.file("other.data");
    wavomer::test::writeSampleFile(otherPath, 1, 44100, [](int, int64_t k) { return -static_cast<float>(k); });
    auto s = placedSection(stairPath, 0.0, 1.0, 0.0);
    AudioTrack track;
    track.setSectionArray({s});
    EXPECT_EQ(track.readSamplePointAtOffset(10), staircase(0, 10));
    const auto oldEnvelope = s->audioWaveData();
    s->updateRecordSectionWithNewPath(otherPath);
    EXPECT_EQ(track.readSamplePointAtOffset(11), -11.0f);
    EXPECT_NE(s->audioWaveData(), oldEnvelope);
}

TEST_F(SectionTest, SettingATracksOwnSectionsAgainLeavesItsPlaybackUndisturbed) {
    // Every edit sets every track's list, changed or not: an untouched track's
    // effect must run on as if nothing had happened, and its end time still follows
    // its sections.
    const EffectDic reverb{{"name", CoderValue("Matrix Reverb")}};
    auto build = [&] {
        auto s = placedSection(stairPath, 0.0, 2.0, 0.0);
        s->effectDic = reverb;
        return s;
    };
    AudioTrack steady, reset;
    steady.setSectionArray({build()});
    reset.setSectionArray({build()});
    std::vector<float> a(30000), b(30000);
    steady.readSamplesAtOffset(a.data(), 30000, 0);
    reset.readSamplesAtOffset(b.data(), 15000, 0);
    SectionArray same = reset.sectionArray();
    reset.setSectionArray(same);
    reset.readSamplesAtOffset(b.data() + 15000, 15000, 15000);
    EXPECT_EQ(a, b);

    same[0]->endTime = 1.0;
    same[0]->trackEndTime = 1.0;
    reset.setSectionArray(same);
    EXPECT_DOUBLE_EQ(reset.trackEndTime(), 1.0);
}
