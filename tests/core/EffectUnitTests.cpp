// Effect units and the processors around them: finding units by code, stream
// formats, parameters and their clamping, renders through the input callback,
// latency padding, slicing, graphic equaliser chains, and streams that carry
// an effect's state across blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "effects/AudioEffectProcessor.h"
#include "effects/EffectAudioArrayUnit.h"
#include "effects/EffectAudioUnit.h"
#include "effects/EffectCatalogue.h"
#include "effects/EffectUnit.h"
#include "support/EffectStreams.h"
#include "util/Log.h"

using namespace wavomer;
using wavomer::test::renderInBlocks;

namespace {

// A kernel that delays its input by a whole number of frames, reports a latency
// of its own choosing, and records the size of every block it processes.
class DelayKernel final : public EffectKernelBase<DelayKernel> {
public:
    DelayKernel(int32_t delayFrames, double reportedSeconds, std::shared_ptr<std::vector<int32_t>> blocks)
        : delayFrames_(delayFrames), reportedSeconds_(reportedSeconds), blocks_(std::move(blocks)) {}
    void prepare(double) override { line_.assign(static_cast<size_t>(delayFrames_) + 1, 0.0f); }
    void configure(const EffectParameters&) noexcept override {}
    void reset() noexcept override {
        std::fill(line_.begin(), line_.end(), 0.0f);
        position_ = 0;
    }
    void process(const float* input, float* output, int32_t frames) noexcept override {
        if (blocks_) blocks_->push_back(frames);
        for (int32_t i = 0; i < frames; ++i) {
            line_[position_] = input[i];
            position_ = (position_ + 1) % line_.size();
            output[i] = line_[position_];
        }
    }
    double latencySeconds(const EffectParameters&, double) const noexcept override { return reportedSeconds_; }

private:
    int32_t delayFrames_;
    double reportedSeconds_;
    std::shared_ptr<std::vector<int32_t>> blocks_;
    std::vector<float> line_;
    size_t position_ = 0;
};

std::unique_ptr<EffectUnit> delayUnit(int32_t delayFrames, double reportedSeconds,
                                      std::shared_ptr<std::vector<int32_t>> blocks = nullptr) {
    return std::make_unique<EffectUnit>(
        EffectParameters{}, [=] { return std::make_unique<DelayKernel>(delayFrames, reportedSeconds, blocks); });
}

std::vector<float> noise(size_t frames, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> uniform(-0.8f, 0.8f);
    std::vector<float> v(frames);
    for (auto& x : v) x = uniform(random);
    return v;
}

std::unique_ptr<EffectAudioUnit> loaded(const CoderDictionary& dic) {
    auto unit = std::make_unique<EffectAudioUnit>();
    unit->loadEffect(dic);
    return unit;
}

class QuietLog : public ::testing::Test {
protected:
    void SetUp() override { setLogEnabled(false); }
    void TearDown() override { setLogEnabled(true); }
};

}  // namespace

// ---- Finding and making units ----

TEST(EffectComponents, EveryCatalogueEffectExceptTheGraphicEqualiserAndNetSendHasAUnit) {
    for (const auto& row : effectTypes()) {
        bool expected = row.subtype != fourCharCode("greq") && row.subtype != fourCharCode("nsnd");
        EXPECT_EQ(findEffectComponent(row.type, row.subtype, kEffectManufacturer) != nullptr, expected) << row.name;
    }
}

TEST(EffectComponents, AreFoundOnlyByTheirTypeSubtypeAndMaker) {
    EXPECT_EQ(findEffectComponent(fourCharCode("aufx"), fourCharCode("xxxx"), kEffectManufacturer), nullptr);
    EXPECT_EQ(findEffectComponent(fourCharCode("aumu"), fourCharCode("lpas"), kEffectManufacturer), nullptr);
    EXPECT_EQ(findEffectComponent(fourCharCode("aufx"), fourCharCode("lpas"), fourCharCode("none")), nullptr);
}

TEST(EffectUnits, StartWithTheCatalogueDefaultsClampedIntoRange) {
    auto unit = newEffectUnitInstance(*findEffectComponent(kEffectUnitType, fourCharCode("mrev"), kEffectManufacturer));
    float value = 0;
    ASSERT_EQ(unit->getParameter(0, value), kEffectNoErr);
    EXPECT_FLOAT_EQ(value, 40.0f);
    ASSERT_EQ(unit->getParameter(2, value), kEffectNoErr);
    EXPECT_FLOAT_EQ(value, 0.02f);  // the catalogue says 0.06, beyond its maximum
    EXPECT_EQ(unit->getParameter(3, value), kEffectErrInvalidParameter);
}

TEST(EffectUnits, ClampParametersAndRefuseUnknownIdsAndNonNumbers) {
    auto unit = newEffectUnitInstance(*findEffectComponent(kEffectUnitType, fourCharCode("lpas"), kEffectManufacturer));
    float value = 0;
    EXPECT_EQ(unit->setParameter(0, 99999.0f), kEffectNoErr);
    unit->getParameter(0, value);
    EXPECT_EQ(value, 20000.0f);
    EXPECT_EQ(unit->setParameter(1, -100.0f), kEffectNoErr);
    unit->getParameter(1, value);
    EXPECT_EQ(value, -20.0f);
    EXPECT_EQ(unit->setParameter(7, 1.0f), kEffectErrInvalidParameter);
    EXPECT_EQ(unit->setParameter(0, std::nanf("")), kEffectErrInvalidParameter);
    unit->getParameter(0, value);
    EXPECT_EQ(value, 20000.0f);
}

TEST(EffectUnits, TakeOnlyFloatNonInterleavedMonoOrStereoAndOnlyBeforeInitialising) {
    auto unit = delayUnit(0, 0.0);
    EffectStreamFormat format;
    format.channelsPerFrame = 3;
    EXPECT_EQ(unit->setStreamFormat(format), kEffectErrFormatNotSupported);
    format = EffectStreamFormat{};
    format.formatFlags = kEffectFormatFlagIsFloat | kEffectFormatFlagIsPacked;
    EXPECT_EQ(unit->setStreamFormat(format), kEffectErrFormatNotSupported);
    format = EffectStreamFormat{};
    format.bitsPerChannel = 16;
    EXPECT_EQ(unit->setStreamFormat(format), kEffectErrFormatNotSupported);
    format = EffectStreamFormat{};
    format.channelsPerFrame = 1;
    EXPECT_EQ(unit->setStreamFormat(format), kEffectNoErr);
    ASSERT_EQ(unit->initialize(), kEffectNoErr);
    EXPECT_EQ(unit->setStreamFormat(EffectStreamFormat{}), kEffectErrInitialized);
}

namespace {
struct CallbackLog {
    std::vector<double> sampleTimes;
    float value = 0.25f;
};
EffectStatus constantInput(void* context, double sampleTime, uint32_t, uint32_t frames, EffectBufferList& io) noexcept {
    auto* log = static_cast<CallbackLog*>(context);
    log->sampleTimes.push_back(sampleTime);
    for (uint32_t c = 0; c < io.numberBuffers; ++c)
        for (uint32_t i = 0; i < frames; ++i) io.buffers[c].data[i] = log->value + static_cast<float>(c);
    return kEffectNoErr;
}
}  // namespace

TEST(EffectUnits, PullTheirInputThroughTheRenderCallbackForEachRender) {
    auto unit = delayUnit(0, 0.0);
    CallbackLog log;
    unit->setRenderCallback(constantInput, &log);
    ASSERT_EQ(unit->initialize(), kEffectNoErr);
    std::vector<float> left(16), right(16);
    EffectBufferList out;
    out.numberBuffers = 2;
    out.buffers[0] = {1, 64, left.data()};
    out.buffers[1] = {1, 64, right.data()};
    ASSERT_EQ(unit->render(0.0, 0, 16, out), kEffectNoErr);
    ASSERT_EQ(unit->render(16.0, 0, 16, out), kEffectNoErr);
    EXPECT_EQ(log.sampleTimes, (std::vector<double>{0.0, 16.0}));
    EXPECT_EQ(left[3], 0.25f);
    EXPECT_EQ(right[3], 1.25f);  // each channel keeps its own input
}

TEST(EffectUnits, RefuseToRenderUninitialisedWithoutCallbackOrBeyondTheirSliceSize) {
    auto unit = delayUnit(0, 0.0);
    std::vector<float> left(2048), right(2048);
    EffectBufferList out;
    out.numberBuffers = 2;
    out.buffers[0] = {1, 8192, left.data()};
    out.buffers[1] = {1, 8192, right.data()};
    EXPECT_EQ(unit->render(0.0, 0, 16, out), kEffectErrUninitialized);
    ASSERT_EQ(unit->initialize(), kEffectNoErr);
    EXPECT_EQ(unit->render(0.0, 0, 16, out), kEffectErrNoRenderCallback);
    CallbackLog log;
    unit->setRenderCallback(constantInput, &log);
    EXPECT_EQ(unit->render(0.0, 0, 1025, out), kEffectErrTooManyFrames);
    EXPECT_EQ(unit->render(0.0, 1, 16, out), kEffectErrInvalidBus);
    out.buffers[1].dataByteSize = 8;
    EXPECT_EQ(unit->render(0.0, 0, 16, out), kEffectErrInvalidBuffer);
    uint32_t maxFrames = 0;
    unit->getMaxFramesPerSlice(maxFrames);
    EXPECT_EQ(maxFrames, 1024u);
}

namespace {
struct TwoChannelInput {
    const float* left;
    const float* right;
    size_t position = 0;
};
EffectStatus twoChannelInput(void* context, double, uint32_t, uint32_t frames, EffectBufferList& io) noexcept {
    auto* in = static_cast<TwoChannelInput*>(context);
    std::copy_n(in->left + in->position, frames, io.buffers[0].data);
    if (io.numberBuffers > 1) std::copy_n(in->right + in->position, frames, io.buffers[1].data);
    in->position += frames;
    return kEffectNoErr;
}
}  // namespace

TEST(EffectUnits, KeepEachChannelsHistoryWhenTheChannelsPartAfterSharingTheirInput) {
    // A low pass remembers its past: once the right channel's input departs from
    // the left's, its output must be what a unit fed only the right input gives.
    const auto* component = findEffectComponent(kEffectUnitType, fourCharCode("lpas"), kEffectManufacturer);
    std::vector<float> left = noise(4096, 1), right = left;
    auto tail = noise(2048, 2);
    std::copy(tail.begin(), tail.end(), right.begin() + 2048);

    auto stereo = newEffectUnitInstance(*component);
    stereo->setParameter(0, 500.0f);
    TwoChannelInput input{left.data(), right.data()};
    stereo->setRenderCallback(twoChannelInput, &input);
    ASSERT_EQ(stereo->initialize(), kEffectNoErr);

    auto mono = newEffectUnitInstance(*component);
    mono->setParameter(0, 500.0f);
    TwoChannelInput monoInput{right.data(), right.data()};
    EffectStreamFormat format;
    format.channelsPerFrame = 1;
    mono->setStreamFormat(format);
    mono->setRenderCallback(twoChannelInput, &monoInput);
    ASSERT_EQ(mono->initialize(), kEffectNoErr);

    std::vector<float> l(4096), r(4096), m(4096);
    for (uint32_t k = 0; k < 4096; k += 512) {
        EffectBufferList out;
        out.numberBuffers = 2;
        out.buffers[0] = {1, 2048, l.data() + k};
        out.buffers[1] = {1, 2048, r.data() + k};
        ASSERT_EQ(stereo->render(k, 0, 512, out), kEffectNoErr);
        EffectBufferList monoOut;
        monoOut.numberBuffers = 1;
        monoOut.buffers[0] = {1, 2048, m.data() + k};
        ASSERT_EQ(mono->render(k, 0, 512, monoOut), kEffectNoErr);
    }
    for (size_t i = 0; i < 4096; ++i) ASSERT_EQ(r[i], m[i]) << i;
    for (size_t i = 0; i < 2048; ++i) ASSERT_EQ(l[i], r[i]) << i;
}

// ---- Loading an effect dictionary ----

TEST_F(QuietLog, AProcessorIsMadeForEveryEffectThatHasAUnit) {
    for (const auto& name : getAllEffects()) {
        if (useGraphicEQArray(name)) continue;
        bool expected = name != "Net Send";
        EXPECT_EQ(effectAudioWithInfo(CoderDictionary{{"name", name}}) != nullptr, expected) << name;
    }
}

TEST_F(QuietLog, NoProcessorIsMadeForAnUnknownMissingOrMiscasedName) {
    EXPECT_EQ(effectAudioWithInfo(CoderDictionary{{"name", "low pass"}}), nullptr);
    EXPECT_EQ(effectAudioWithInfo(CoderDictionary{{"name", "Flanger"}}), nullptr);
    EXPECT_EQ(effectAudioWithInfo(CoderDictionary{{"Cutoff Frequency", 100.0}}), nullptr);
    EXPECT_EQ(effectAudioWithInfo(CoderDictionary{{"name", 3.0}}), nullptr);
    EXPECT_EQ(effectAudioWithInfo(CoderDictionary{}), nullptr);
}

TEST(EffectLoading, ClampsEachParameterIntoTheCataloguesRange) {
    auto unit = loaded(CoderDictionary{{"name", "Low Pass"}, {"Cutoff Frequency", 30000.0}, {"Resonance", -50.0}});
    ASSERT_TRUE(unit->isValid());
    EXPECT_EQ(unit->effectNodeValueForKey(0), 20000.0f);
    EXPECT_EQ(unit->effectNodeValueForKey(1), -20.0f);
}

TEST(EffectLoading, KeepsTheUnitsDefaultsForMissingParametersAndIgnoresUnknownKeys) {
    auto unit = loaded(CoderDictionary{{"name", "Parametric EQ"}, {"Gain", int32_t{6}}, {"Bogus", 1.0}, {"Q", "x"}});
    ASSERT_TRUE(unit->isValid());
    EXPECT_EQ(unit->effectNodeValueForKey(0), 2000.0f);
    EXPECT_EQ(unit->effectNodeValueForKey(1), 1.0f);
    EXPECT_EQ(unit->effectNodeValueForKey(2), 6.0f);
}

TEST(EffectLoading, GivesTheUnitATwoChannelFloatStreamAt44100Hz) {
    auto unit = loaded(CoderDictionary{{"name", "High Pass"}});
    ASSERT_TRUE(unit->isValid());
    EffectStreamFormat format;
    unit->effectUnit()->getStreamFormat(format);
    EXPECT_EQ(format.sampleRate, 44100.0);
    EXPECT_EQ(format.formatFlags, 41u);
    EXPECT_EQ(format.channelsPerFrame, 2u);
    EXPECT_EQ(format.bytesPerFrame, 4u);
    EXPECT_EQ(format.bitsPerChannel, 32u);
    EXPECT_TRUE(unit->effectUnit()->isInitialized());
}

// ---- Graphic equaliser chains ----

namespace {
CoderDictionary graphicEQ10(std::vector<std::pair<std::string, double>> gains) {
    CoderDictionary dic{{"name", "Graphic EQ 10"}};
    for (const auto& band : getGraphicEQEffectSettingsByBands(10)) dic[band.name] = 0.0;
    for (const auto& [key, value] : gains) dic[key] = value;
    return dic;
}
}  // namespace

TEST(GraphicEqualiserChain, WithEveryBandFlatProcessesNothing) {
    EXPECT_EQ(effectAudioWithInfo(graphicEQ10({})), nullptr);
    EXPECT_EQ(effectAudioWithInfo(graphicEQ10({{"640 Hz", 0.0009}, {"40 Hz", -0.0009}})), nullptr);
}

TEST(GraphicEqualiserChain, BuildsOneWidestParametricEqualiserPerBandThatIsNotFlat) {
    auto chain = EffectAudioArrayUnit::effectAudioWithInfo(graphicEQ10({{"80 Hz", 6.0}}));
    ASSERT_NE(chain, nullptr);
    ASSERT_EQ(chain->effects().size(), 1u);
    const EffectAudioUnit& unit = *chain->effects()[0];
    EXPECT_EQ(unit.effectUnit()->parameters().value(0), 80.0f);  // Center Freq
    EXPECT_EQ(unit.effectUnit()->parameters().value(1), 0.1f);   // Q 0, clamped up
    EXPECT_EQ(unit.effectUnit()->parameters().value(2), 6.0f);   // Gain
}

TEST(GraphicEqualiserChain, TakesBandsInTheDictionarysKeyOrderAndSkipsKeysThatAreNotBands) {
    CoderDictionary dic{{"name", "Graphic EQ 7"}, {"80 Hz", 3.0},    {"1280 Hz", -4.0}, {"Hz", 5.0}, {"abc", 5.0},
                        {"160 Hz", "loud"},       {"20500 Hz", 30.0}};
    auto chain = EffectAudioArrayUnit::effectAudioWithInfo(dic);
    ASSERT_NE(chain, nullptr);
    ASSERT_EQ(chain->effects().size(), 3u);
    EXPECT_EQ(chain->effects()[0]->effectUnit()->parameters().value(0), 1280.0f);
    EXPECT_EQ(chain->effects()[1]->effectUnit()->parameters().value(0), 20000.0f);  // clamped
    EXPECT_EQ(chain->effects()[1]->effectUnit()->parameters().value(2), 20.0f);
    EXPECT_EQ(chain->effects()[2]->effectUnit()->parameters().value(0), 80.0f);
    EXPECT_NE(effectAudioWithInfo(dic), nullptr);
}

TEST(GraphicEqualiserChain, RunsItsUnitsInOrderOverTheBlock) {
    auto dic = graphicEQ10({{"80 Hz", 6.0}, {"5120 Hz", -9.0}});
    auto chain = EffectAudioArrayUnit::effectAudioWithInfo(dic);
    ASSERT_NE(chain, nullptr);
    auto input = noise(5000, 3);
    std::vector<float> viaChain(input.size());
    ASSERT_TRUE(chain->processAudioChannelSamples(input.data(), 5000, viaChain.data()));

    std::vector<float> expected(input.size()), step(input.size());
    auto first =
        loaded(CoderDictionary{{"name", "Parametric EQ"}, {"Q", 0.0}, {"Center Freq", 5120.0}, {"Gain", -9.0}});
    auto second = loaded(CoderDictionary{{"name", "Parametric EQ"}, {"Q", 0.0}, {"Center Freq", 80.0}, {"Gain", 6.0}});
    first->processAudioChannelSamples(input.data(), 5000, step.data());
    second->processAudioChannelSamples(step.data(), 5000, expected.data());
    EXPECT_EQ(viaChain, expected);
}

// ---- Latency padding and slicing ----

TEST(LatencyPadding, RoundsTheLatencyInFramesToAMultipleOfFour) {
    EXPECT_EQ(EffectAudioUnit::paddingFramesForLatency(0.0015), 68);
    EXPECT_EQ(EffectAudioUnit::paddingFramesForLatency(0.001), 44);
    EXPECT_EQ(EffectAudioUnit::paddingFramesForLatency(0.0), 0);
    EXPECT_EQ(EffectAudioUnit::paddingFramesForLatency(-0.01), 0);
    EXPECT_EQ(EffectAudioUnit::paddingFramesForLatency(std::nan("")), 0);
    EXPECT_EQ(EffectAudioUnit::paddingFramesForLatency(1.0e-5), 0);  // trunc(0.441) = 0
}

TEST(LatencyPadding, IsWhatAProcessorReportsForItsUnitsLatency) {
    EXPECT_EQ(EffectAudioUnit(delayUnit(0, 0.0015)).latencyFrames(), 68);
    EXPECT_EQ(EffectAudioUnit(delayUnit(0, 0.001)).latencyFrames(), 44);
    EXPECT_EQ(EffectAudioUnit(delayUnit(0, 0.0)).latencyFrames(), 0);
    EXPECT_DOUBLE_EQ(EffectAudioUnit(delayUnit(0, 0.0015)).effectLatency(), 0.0015);
}

TEST(LatencyPadding, CutsTheUnitsDelayOffTheFrontAndKeepsTheTail) {
    for (int32_t delay : {68, 44}) {
        EffectAudioUnit unit(delayUnit(delay, delay == 68 ? 0.0015 : 0.001));
        auto input = noise(3000, 4);
        std::vector<float> output(input.size(), -1.0f);
        ASSERT_TRUE(unit.processAudioChannelSamples(input.data(), 3000, output.data()));
        EXPECT_EQ(output, input) << delay;
    }
}

TEST(Slicing, RendersAt1024FramesAtMostWithTheRemainderLast) {
    auto blocks = std::make_shared<std::vector<int32_t>>();
    EffectAudioUnit unit(delayUnit(0, 0.0, blocks));
    std::vector<float> input(2500, 0.5f), output(2500);
    ASSERT_TRUE(unit.processAudioChannelSamples(input.data(), 2500, output.data()));
    EXPECT_EQ(*blocks, (std::vector<int32_t>{1024, 1024, 452}));
    EXPECT_EQ(unit.audioSamples(), 2500);
    EXPECT_EQ(output, input);
}

TEST(Slicing, RendersThePaddingAfterTheBlock) {
    auto blocks = std::make_shared<std::vector<int32_t>>();
    EffectAudioUnit unit(delayUnit(68, 0.0015, blocks));
    std::vector<float> input(2500, 0.5f), output(2500);
    ASSERT_TRUE(unit.processAudioChannelSamples(input.data(), 2500, output.data()));
    EXPECT_EQ(*blocks, (std::vector<int32_t>{1024, 1024, 520}));
    EXPECT_EQ(unit.audioSamples(), 2568);
}

TEST(Slicing, OfLongSamplesAndSilenceUsesTheSameSlices) {
    auto blocks = std::make_shared<std::vector<int32_t>>();
    EffectAudioUnit unit(delayUnit(0, 0.0, blocks));
    std::vector<float> input(2049, 0.25f), output(2049);
    ASSERT_TRUE(unit.processAudioChannelLongSamples(input.data(), 2049, output.data()));
    EXPECT_EQ(output, input);
    unit.processSlientAudioChannelFrames(1500);
    EXPECT_EQ(*blocks, (std::vector<int32_t>{1024, 1024, 1, 1024, 476}));
    EXPECT_EQ(unit.audioSamples(), 3549);
}

TEST(Slicing, AFailedRenderLeavesSilenceLogsAndReportsFailure) {
    EffectAudioUnit unit(delayUnit(0, 0.0));
    unit.effectUnit()->uninitialize();
    std::vector<float> input(1500, 0.5f), output(1500, 1.0f);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(unit.processAudioChannelSamples(input.data(), 1500, output.data()));
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("process err 1024\n"), std::string::npos);
    EXPECT_NE(log.find("process err 476\n"), std::string::npos);
    EXPECT_EQ(output, std::vector<float>(1500, 0.0f));
}

TEST(Slicing, AProcessorWithoutAUnitLogsItsQueries) {
    EffectAudioUnit unit;
    EXPECT_FALSE(unit.isValid());
    testing::internal::CaptureStderr();
    EXPECT_EQ(unit.effectLatency(), 0.0);
    EXPECT_EQ(unit.maxFramesPerSlice(), 0);
    EXPECT_EQ(unit.effectNodeValueForKey(4), 0.0f);
    unit.setEffectNodeValue(1.0f, 5);
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("latency err 0.000000 "), std::string::npos);
    EXPECT_NE(log.find("slice err 0 "), std::string::npos);
    EXPECT_NE(log.find("effect value err 4\n"), std::string::npos);
    EXPECT_NE(log.find("effect value write err 5\n"), std::string::npos);
}

// ---- Streams ----

TEST(EffectStreams, GiveTheSameSamplesInBlocksOfAnySizeAsInOneBlock) {
    auto input = noise(30000, 5);
    EffectAudioUnit once(delayUnit(68, 0.0015));
    std::vector<float> expected(input.size());
    ASSERT_TRUE(once.processAudioChannelSamples(input.data(), static_cast<int32_t>(input.size()), expected.data()));
    std::mt19937 random(6);
    for (std::vector<int32_t> sizes : {std::vector<int32_t>{30000}, {1}, {7, 1024, 1}, {20480}, {4096, 333}}) {
        EffectAudioUnit streamed(delayUnit(68, 0.0015));
        EXPECT_EQ(renderInBlocks(streamed, input, sizes), expected);
    }
    std::vector<int32_t> randomSizes(50);
    for (auto& s : randomSizes) s = std::uniform_int_distribution<int32_t>(1, 5000)(random);
    EffectAudioUnit streamed(delayUnit(68, 0.0015));
    EXPECT_EQ(renderInBlocks(streamed, input, randomSizes), expected);
}

TEST(EffectStreams, PullTheLatencyAheadOnlyOnTheirFirstCall) {
    EffectAudioUnit unit(delayUnit(68, 0.0015));
    auto input = noise(5000, 7);
    ArrayEffectInput source(input.data(), 5000);
    std::vector<float> out(3000);
    ASSERT_TRUE(unit.processContinuing(source, 1000, out.data()));
    EXPECT_EQ(source.position(), 1068);
    ASSERT_TRUE(unit.processContinuing(source, 2000, out.data() + 1000));
    EXPECT_EQ(source.position(), 3068);
    EXPECT_EQ(out, std::vector<float>(input.begin(), input.begin() + 3000));
}

TEST(EffectStreams, StartAnewAfterAReset) {
    auto input = noise(4000, 8);
    EffectAudioUnit unit(delayUnit(68, 0.0015));
    auto first = renderInBlocks(unit, input, {1500});
    unit.reset();
    EXPECT_EQ(unit.audioSamples(), 0);
    EXPECT_EQ(renderInBlocks(unit, input, {999}), first);
}

TEST(EffectStreams, OfAChainFeedEachUnitFromTheOneBefore) {
    auto input = noise(12000, 9);
    auto makeChain = [] {
        std::vector<std::unique_ptr<EffectAudioUnit>> units;
        units.push_back(std::make_unique<EffectAudioUnit>(delayUnit(44, 0.001)));
        units.push_back(loaded(CoderDictionary{{"name", "Low Pass"}, {"Cutoff Frequency", 900.0}}));
        units.push_back(std::make_unique<EffectAudioUnit>(delayUnit(68, 0.0015)));
        auto chain = std::make_unique<EffectAudioArrayUnit>();
        chain->setEffects(std::move(units));
        return chain;
    };
    auto whole = makeChain();
    EXPECT_EQ(whole->latencyFrames(), 112);
    auto expected = renderInBlocks(*whole, input, {12000});
    std::mt19937 random(10);
    std::vector<int32_t> sizes(40);
    for (auto& s : sizes) s = std::uniform_int_distribution<int32_t>(1, 3000)(random);
    auto blocks = makeChain();
    EXPECT_EQ(renderInBlocks(*blocks, input, sizes), expected);
    blocks->reset();
    EXPECT_EQ(renderInBlocks(*blocks, input, {512}), expected);
}

TEST(EffectStreams, OfAChainWithoutLatencyMatchTheBlockProcessing) {
    auto dic = graphicEQ10({{"80 Hz", 6.0}, {"640 Hz", -3.0}, {"10200 Hz", 4.0}});
    auto input = noise(20480, 11);
    auto once = effectAudioWithInfo(dic);
    std::vector<float> expected(input.size());
    ASSERT_TRUE(once->processAudioChannelSamples(input.data(), 20480, expected.data()));
    auto streamed = effectAudioWithInfo(dic);
    EXPECT_EQ(renderInBlocks(*streamed, input, {300, 7000, 1}), expected);
}
