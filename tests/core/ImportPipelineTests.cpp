// The pipelined import: decoding on a thread of its own, handing chunks through a
// bounded queue to the thread that writes the planes and makes the envelope. A made-up
// media engine stands in for FFmpeg, so this runs under ThreadSanitizer with the core.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <set>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "data/AudioChannelsGenerator.h"
#include "data/AudioSampleData.h"
#include "data/DecodeQueue.h"
#include "support/TestSupport.h"
#include "util/Log.h"

using namespace wavomer;
using wavomer::test::ScratchDir;

namespace {

// Channel c's sample k of stream s: a fixed jagged sequence, exactly representable.
float sampleAt(int s, int c, int64_t k) {
    uint32_t x = static_cast<uint32_t>(k) * 2654435761u + static_cast<uint32_t>(s * 97 + c) * 40503u;
    x ^= x >> 13;
    return static_cast<float>(static_cast<int32_t>(x & 0xffff) - 32768) / 32768.0f * (0.2f + 0.1f * c);
}

class FakeMovie;

class FakeStream : public TSAudioStream {
public:
    FakeStream(TSMedia& media, int index, int32_t channels, int64_t frames)
        : media_(media), index_(index), channels_(channels), frames_(frames) {}
    TSMedia& media() override { return media_; }
    int32_t channels() const override { return channels_; }
    void setAudioResampleChannels(int32_t) override {}
    int index() const { return index_; }
    int64_t frames() const { return frames_; }  // < 0: endless

private:
    TSMedia& media_;
    int index_;
    int32_t channels_;
    int64_t frames_;
};

class FakeMedia : public TSMedia {
public:
    explicit FakeMedia(TSFFMovie& movie) : movie_(movie) {}
    std::vector<TSAudioStream*> audios() override {
        std::vector<TSAudioStream*> list;
        for (auto& s : streams_) list.push_back(s.get());
        return list;
    }
    int32_t indexOfStream(const TSAudioStream* stream) const override {
        for (size_t i = 0; i < streams_.size(); ++i)
            if (streams_[i].get() == stream) return static_cast<int32_t>(i);
        return -1;
    }
    void setSelectStreams(const std::set<int32_t>& indexes) override { pending_ = indexes; }
    void updateSelectStreams() override { selected_ = pending_.empty() ? -1 : *pending_.begin(); }
    TSFFMovie& movie() override { return movie_; }
    std::vector<std::unique_ptr<FakeStream>> streams_;
    int32_t selected_ = -1;

private:
    TSFFMovie& movie_;
    std::set<int32_t> pending_;
};

// What a test asks of the made-up media, and what it saw.
struct Script {
    std::vector<std::pair<int32_t, int64_t>> streams;  // channels, frames (< 0: endless)
    double statedSeconds = 0.0;
    std::atomic<bool>* raiseCancelAt = nullptr;  // raised once this many frames were delivered:
    int64_t cancelAfterFrames = std::numeric_limits<int64_t>::max();
    bool exactStarts = false;  // a read can start at any frame
    int64_t startSkew = 0;     // frames a start past the first lands beyond the one asked for
    std::atomic<int64_t> delivered{0};  // frames handed out, over all streams
    std::atomic<int64_t> readsAfterCancel{0};
    std::atomic<std::thread::id> reader{};
    std::atomic<bool> readOnTwoThreads{false};
};

class FakeMovie : public TSFFMovie {
public:
    explicit FakeMovie(Script& script) : script_(script), media_(*this) {
        for (size_t i = 0; i < script.streams.size(); ++i)
            media_.streams_.push_back(std::make_unique<FakeStream>(media_, static_cast<int>(i), script.streams[i].first,
                                                                   script.streams[i].second));
    }
    std::vector<TSMedia*> audios() override { return {&media_}; }
    std::vector<TSMedia*> videos() override { return {}; }
    int64_t duration() const override { return ts_double_to_time(script_.statedSeconds); }
    void setDisableVideo(bool) override {}
    void setExportMovie(bool) override {}
    void setCurrentTime(int64_t) override { position_ = 0; }
    void flushOperation() override {}
    int32_t readAudioPlanes(TSAudioStream& stream, float* const* planes, int32_t frames) override {
        // One thread at a time reads a stream: the import's decoder.
        const std::thread::id me = std::this_thread::get_id();
        std::thread::id seen = script_.reader.load();
        if (seen == std::thread::id()) script_.reader.compare_exchange_strong(seen, me);
        if (seen != std::thread::id() && seen != me) script_.readOnTwoThreads = true;
        if (script_.raiseCancelAt && script_.raiseCancelAt->load()) ++script_.readsAfterCancel;
        auto& fake = static_cast<FakeStream&>(stream);
        if (media_.indexOfStream(&stream) != media_.selected_) return 0;
        const int64_t left = fake.frames() < 0 ? frames : std::max<int64_t>(fake.frames() - position_, 0);
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(frames, left));
        for (int32_t c = 0; c < fake.channels(); ++c)
            for (int32_t i = 0; i < n; ++i) planes[c][i] = sampleAt(fake.index(), c, position_ + i);
        position_ += n;
        const int64_t total = script_.delivered += n;
        if (script_.raiseCancelAt && total >= script_.cancelAfterFrames) script_.raiseCancelAt->store(true);
        return n;
    }
    bool startAudioAt(TSAudioStream&, int64_t frame) override {
        if (!script_.exactStarts) return false;
        position_ = frame + (frame > 0 ? script_.startSkew : 0);
        return true;
    }
    std::string decodeProblems() const override { return {}; }

private:
    Script& script_;
    FakeMedia media_;
    int64_t position_ = 0;
};

class FakeSource : public TSMediaSource {
public:
    explicit FakeSource(Script& script) : script_(script) {}
    bool isDRM() const override { return false; }
    std::unique_ptr<TSFFMovie> createMovie() override { return std::make_unique<FakeMovie>(script_); }

private:
    Script& script_;
};

class FakeEngine : public MediaEngine {
public:
    explicit FakeEngine(Script& script) : script_(script) {}
    Outcome<std::unique_ptr<TSMediaSource>> mediaWithPath(const std::string&) override {
        return std::unique_ptr<TSMediaSource>(std::make_unique<FakeSource>(script_));
    }

private:
    Script& script_;
};

std::string readBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// Where two files first differ; -1 when they are equal.
int64_t firstDifference(const std::string& a, const std::string& b) {
    const std::string x = readBytes(a), y = readBytes(b);
    const auto at = std::mismatch(x.begin(), x.end(), y.begin(), y.end());
    if (at.first == x.end() && at.second == y.end()) return -1;
    return at.first - x.begin();
}

size_t entriesIn(const std::string& folder) {
    size_t n = 0;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) ++n;
        ::closedir(d);
    }
    return n;
}

// The file the sample data writer makes from the same samples, its envelope read back
// from the planes at close: what every import wrote before the envelope was made on
// the way.
void rewriteThroughReadBack(const std::string& from, const std::string& to) {
    auto source = AudioSampleData::dataForReadingAtPath(from);
    ASSERT_TRUE(source && source->hasValidHeader());
    auto copy = AudioSampleData::dataForWritingAtPath(to);
    ASSERT_TRUE(copy);
    copy->setChannels(source->channels());
    copy->setFramePerChannel(source->framePerChannel());
    const int64_t frames = source->framePerChannel();
    const int64_t padded = (frames + 1023) / 1024 * 1024;
    std::vector<float> block(8192);
    for (int32_t c = 0; c < source->channels(); ++c)
        for (int64_t p = 0; p < padded; p += 8192) {
            const int32_t n = static_cast<int32_t>(std::min<int64_t>(8192, padded - p));
            source->readSample(block.data(), c, n, p);
            copy->writeSample(block.data(), c, n, p);
        }
    ASSERT_TRUE(copy->closeData());
}

class ImportPipeline : public ::testing::Test {
protected:
    void SetUp() override { setLogEnabled(false); }
    void TearDown() override { setLogEnabled(true); }

    Outcome<GeneratedAudio> convert(Script& script, const std::string& out, bool pipelined,
                                    const std::atomic<bool>* cancel = nullptr,
                                    std::function<void(double)> progress = nullptr) {
        FakeEngine engine(script);
        AudioChannelsGenerator generator(engine);
        generator.audioPath = dir.file("media.fake");
        generator.pipelined = pipelined;
        generator.cancel = cancel;
        generator.progress = std::move(progress);
        return generator.generate(out);
    }

    ScratchDir dir;
};

}  // namespace

TEST_F(ImportPipeline, WritesTheSameFileAsTheConversionOnOneThread) {
    // A stereo stream and a longer mono one, neither stating its length, each longer
    // than the first room (the planes move as they grow), and ending inside a block.
    const std::vector<std::vector<std::pair<int32_t, int64_t>>> cases = {
        {{2, 44100 * 41 + 333}},
        {{2, 44100 * 33 + 1000}, {1, 44100 * 37 + 17}},
        {{1, 1024 * 4 * 9}},  // ends exactly at a chunk's end
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        Script one, two;
        one.streams = two.streams = cases[i];
        const std::string serial = dir.file("serial.data"), piped = dir.file("piped.data");
        Outcome<GeneratedAudio> a = convert(one, serial, false);
        Outcome<GeneratedAudio> b = convert(two, piped, true);
        ASSERT_TRUE(a.ok()) << a.error();
        ASSERT_TRUE(b.ok()) << b.error();
        int64_t longest = 0;
        for (auto& [channels, frames] : cases[i]) longest = std::max(longest, frames);
        EXPECT_EQ(b->frames, longest) << i;
        EXPECT_EQ(a->frames, b->frames) << i;
        EXPECT_EQ(a->channels, b->channels) << i;
        EXPECT_FALSE(two.readOnTwoThreads.load());
        EXPECT_NE(two.reader.load(), std::this_thread::get_id()) << "the pipelined import decoded on the caller's thread";
        EXPECT_EQ(one.reader.load(), std::this_thread::get_id());
        EXPECT_EQ(firstDifference(serial, piped), -1) << i;
        // The samples are the media's.
        auto data = AudioSampleData::dataForReadingAtPath(piped);
        ASSERT_TRUE(data);
        int32_t channel = 0;
        for (size_t s = 0; s < cases[i].size(); ++s)
            for (int32_t c = 0; c < cases[i][s].first; ++c, ++channel) {
                std::vector<float> values(static_cast<size_t>(cases[i][s].second));
                data->readSample(values.data(), channel, static_cast<int32_t>(values.size()), 0);
                for (int64_t k = 0; k < cases[i][s].second; k += 997)
                    ASSERT_EQ(values[static_cast<size_t>(k)], sampleAt(static_cast<int>(s), c, k)) << i << " " << k;
            }
        // The envelope made on the way is the one read back from the planes.
        rewriteThroughReadBack(piped, dir.file("readback.data"));
        auto readBack = AudioSampleData::dataForReadingAtPath(dir.file("readback.data"));
        ASSERT_TRUE(readBack);
        const int32_t points = static_cast<int32_t>((b->frames + 44099) / 44100 * 200);
        std::vector<float> made(static_cast<size_t>(points)), expected(static_cast<size_t>(points));
        for (int32_t c = 0; c < b->channels; ++c) {
            data->readWave(made.data(), c, points, 0);
            readBack->readWave(expected.data(), c, points, 0);
            EXPECT_EQ(made, expected) << i << " " << c;
        }
    }
}

TEST_F(ImportPipeline, ALongStreamDecodedInTwoHalvesIsTheFileOfOneDecoding) {
    // Halves joined; a second half that starts elsewhere than asked, dropped; a stream
    // far shorter than stated (the second half has nothing), and one ending inside the
    // chunk where the halves meet.
    struct Case {
        int64_t frames;
        double stated;
        int64_t skew;
        bool halved;
    };
    const Case cases[] = {
        {44100 * 75 + 333, 75.0, 0, true},
        {44100 * 75 + 333, 75.0, 1, false},
        {44100 * 20, 90.0, 0, false},
        {44100 * 37 + 100, 75.0, 0, true},
    };
    for (const Case& k : cases) {
        Script one, two;
        one.streams = two.streams = {{2, k.frames}};
        one.statedSeconds = two.statedSeconds = k.stated;
        two.exactStarts = true;
        two.startSkew = k.skew;
        const std::string serial = dir.file("serial.data"), halves = dir.file("halves.data");
        ASSERT_TRUE(convert(one, serial, false).ok());
        FakeEngine engine(two);
        AudioChannelsGenerator generator(engine);
        generator.audioPath = dir.file("media.fake");
        std::ofstream(generator.audioPath) << "fake";  // a regular file, as a second decoding needs
        Outcome<GeneratedAudio> r = generator.generate(halves);
        ASSERT_TRUE(r.ok()) << r.error();
        EXPECT_EQ(r->frames, k.frames);
        EXPECT_EQ(generator.decodedInHalves(), k.halved) << k.frames << " " << k.skew;
        EXPECT_EQ(firstDifference(serial, halves), -1) << k.frames << " " << k.skew;
    }
}

TEST_F(ImportPipeline, TheDecoderRunsOnlyAFewHundredMillisecondsAhead) {
    Script script;
    script.streams = {{2, 44100 * 20}};
    script.statedSeconds = 20.0;
    int64_t lead = 0;
    double last = 0.0;
    int reports = 0;
    Outcome<GeneratedAudio> r = convert(script, dir.file("lead.data"), true, nullptr, [&](double share) {
        // Called for the block that starts at share x 20 s: the decoder is at most the
        // queue's chunks past it.
        const int64_t written = static_cast<int64_t>(share * 20 * 44100 + 0.5);
        lead = std::max(lead, script.delivered.load() - written);
        last = share;
        ++reports;
    });
    ASSERT_TRUE(r.ok()) << r.error();
    EXPECT_GE(reports, 15);
    EXPECT_GT(last, 0.9);
    const int64_t bound = int64_t(AudioChannelsGenerator::kQueueSlots) * AudioChannelsGenerator::kChunkBlocks *
                          AudioChannelsGenerator::kBlockFrames;
    EXPECT_LE(lead, bound);
    EXPECT_LE(bound, 44100);  // under a second of audio in flight
}

TEST_F(ImportPipeline, ACancelInTheMiddleStopsTheDecoderAndLeavesNothing) {
    // One decoding, and two halves decoding at once.
    for (bool halves : {false, true}) {
        std::atomic<bool> cancel{false};
        Script script;
        script.streams = {{2, -1}};  // never ends
        script.raiseCancelAt = &cancel;
        script.cancelAfterFrames = 44100 * 3;
        script.statedSeconds = halves ? 120.0 : 0.0;
        script.exactStarts = halves;
        const std::string folder = dir.file(halves ? "halves" : "import");
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        FakeEngine engine(script);
        AudioChannelsGenerator generator(engine);
        generator.audioPath = dir.file("media.fake");
        std::ofstream(generator.audioPath) << "fake";
        generator.cancel = &cancel;
        Outcome<GeneratedAudio> r = generator.generate(folder + "/cancelled.data");
        ASSERT_FALSE(r.ok());
        EXPECT_TRUE(r.cancelled());
        EXPECT_EQ(entriesIn(folder), 0u);
        // Each decoder stopped at its next block.
        EXPECT_LE(script.readsAfterCancel.load(), halves ? 2 : 1);
    }
}

TEST_F(ImportPipeline, AFailedWriteStopsTheDecoder) {
    // Every write to /dev/full fails: the writer gives up and the decoder of a source
    // that never ends must stop with it.
    if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    Script script;
    script.streams = {{2, -1}};
    Outcome<GeneratedAudio> r = convert(script, "/dev/full", true);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().find("cannot write"), std::string::npos) << r.error();
    EXPECT_LT(script.delivered.load(), 44100 * 60);
}

TEST(DecodeQueue, HandsChunksOverInOrderAndHoldsNoMoreThanItsSlots) {
    DecodeQueue queue(3, 16);
    std::atomic<int> taken{0};
    std::thread producer([&] {
        for (int i = 0; i < 200; ++i) {
            DecodeQueue::Chunk* chunk = queue.acquire();
            if (!chunk) break;
            ++taken;
            chunk->frames = i;
            chunk->samples[0] = static_cast<float>(i);
            queue.push(chunk);
        }
        queue.close();
    });
    // Nothing released yet: the producer has the three slots and waits.
    for (int i = 0; i < 200 && taken.load() < 3; ++i) ::usleep(1000);
    ::usleep(20000);
    EXPECT_EQ(taken.load(), 3);
    int expected = 0;
    while (DecodeQueue::Chunk* chunk = queue.pop()) {
        EXPECT_EQ(chunk->frames, expected);
        EXPECT_EQ(chunk->samples[0], static_cast<float>(expected));
        ++expected;
        queue.release(chunk);
    }
    producer.join();
    EXPECT_EQ(expected, 200);
}

TEST(DecodeQueue, AStopWakesAProducerWaitingForRoom) {
    DecodeQueue queue(1, 4);
    DecodeQueue::Chunk* first = queue.acquire();
    ASSERT_NE(first, nullptr);
    std::atomic<bool> answered{false};
    DecodeQueue::Chunk* second = first;
    std::thread producer([&] {
        second = queue.acquire();  // waits: the only chunk is out
        answered = true;
    });
    ::usleep(20000);
    EXPECT_FALSE(answered.load());
    queue.stop();
    producer.join();
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(queue.pop(), nullptr);
}

TEST(WavePointBuilder, MakesThePointsTheFileReadsBackHoweverTheSamplesArrive) {
    ScratchDir dir;
    const int64_t frames = 44100 * 3 + 12345;
    auto data = AudioSampleData::dataForWritingAtPath(dir.file("one.data"));
    ASSERT_TRUE(data);
    data->setChannels(1);
    data->setFramePerChannel(frames);
    std::vector<float> values(static_cast<size_t>(frames));
    for (int64_t k = 0; k < frames; ++k) values[static_cast<size_t>(k)] = sampleAt(0, 0, k) * (k % 44100 < 300 ? 0.0f : 1.0f);
    // Values no level may be moved by, or moved oddly by: NaN, subnormals, an infinity.
    for (int64_t k = 5000; k < frames; k += 997) values[static_cast<size_t>(k)] = std::numeric_limits<float>::quiet_NaN();
    for (int64_t k = 301; k < frames; k += 1201) values[static_cast<size_t>(k)] = 1e-40f;
    values[static_cast<size_t>(44100 * 2 + 5000)] = std::numeric_limits<float>::infinity();
    data->writeSample(values.data(), 0, static_cast<int32_t>(frames), 0);
    ASSERT_TRUE(data->closeData());
    auto back = AudioSampleData::dataForReadingAtPath(dir.file("one.data"));
    ASSERT_TRUE(back);
    const int32_t points = 4 * 200;
    std::vector<float> stored(points);
    back->readWave(stored.data(), 0, points, 0);
    for (int64_t piece : {1, 7, 220, 221, 1024, 44100, 100000}) {
        WavePointBuilder builder;
        for (int64_t at = 0; at < frames; at += piece)
            builder.feed(values.data() + at, std::min<int64_t>(piece, frames - at));
        std::vector<float> made = builder.finish(frames);
        ASSERT_EQ(made.size(), static_cast<size_t>(points)) << piece;
        for (int32_t j = 0; j < points; ++j) ASSERT_EQ(made[static_cast<size_t>(j)], stored[static_cast<size_t>(j)]) << piece << " " << j;
    }
}
