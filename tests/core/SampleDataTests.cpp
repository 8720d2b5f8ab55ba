// The sample data file: layout, header, page-cached reads, envelope generation,
// growing planes while writing, and failures.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <fstream>
#include <numeric>
#include <random>

#include "data/AudioSampleData.h"
#include "support/SampleFiles.h"
#include "support/TestSupport.h"

using namespace wavomer;
using wavomer::test::ScratchDir;

namespace {

// The staircase file: channel c holds frame k as the value c * 1e6 + k, so that
// any read reveals which channel and frame it came from.
void writeStaircase(const std::string& path, int channels, int64_t frames) {
    wavomer::test::writeSampleFile(path, channels, frames, wavomer::test::staircase);
}

int64_t fileSize(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

}  // namespace

TEST(SampleDataLayout, OneSecondMonoFileHasPageRoundedPlanes) {
    ScratchDir dir;
    std::string path = dir.file("a.data");
    writeStaircase(path, 1, 44100);
    auto data = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->channels(), 1);
    EXPECT_EQ(data->framePerChannel(), 44100);
    EXPECT_EQ(data->sampleRate(), 44100);
    EXPECT_EQ(data->wavPointsPerSecond(), 200);
    EXPECT_EQ(data->sampleDataSizePerChannel(), 44 * 4096);
    EXPECT_EQ(data->waveDataSizePerChannel(), 4096);
    EXPECT_EQ(data->offsetForChannel(0, AudioSampleData::kSampleData), 4096);
    EXPECT_EQ(data->offsetForChannel(0, AudioSampleData::kWaveData), 4096 + 44 * 4096);
    EXPECT_EQ(data->offsetForChannel(0, 7), 4096);
    EXPECT_EQ(fileSize(path), 4096 + 44 * 4096 + 4096);
}

TEST(SampleDataLayout, HeaderBytesAreLittleEndianAtFixedOffsets) {
    ScratchDir dir;
    std::string path = dir.file("h.data");
    writeStaircase(path, 3, 5000);
    std::ifstream f(path, std::ios::binary);
    unsigned char header[24];
    f.read(reinterpret_cast<char*>(header), 24);
    uint32_t magic;
    int32_t channels, rate, points;
    int64_t frames;
    std::memcpy(&magic, header, 4);
    std::memcpy(&channels, header + 4, 4);
    std::memcpy(&frames, header + 8, 8);
    std::memcpy(&rate, header + 16, 4);
    std::memcpy(&points, header + 20, 4);
    EXPECT_EQ(magic, 0x83626181u);
    EXPECT_EQ(channels, 3);
    EXPECT_EQ(frames, 5000);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(points, 200);
}

TEST(SampleDataLayout, EmptyFileHasNoPlanesAndWholeSecondsDecideTheWavePlane) {
    ScratchDir dir;
    std::string path = dir.file("z.data");
    writeStaircase(path, 2, 0);
    auto data = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->sampleDataSizePerChannel(), 0);
    EXPECT_EQ(data->waveDataSizePerChannel(), 0);
    EXPECT_EQ(fileSize(path), 4096);

    // 10.40 s gets room for 10 s of points, 10.60 s for 11 s.
    data->setFramePerChannel(static_cast<int64_t>(10.40 * 44100));
    EXPECT_EQ(data->waveDataSizePerChannel(), 8192);
    data->setFramePerChannel(static_cast<int64_t>(10.60 * 44100));
    EXPECT_EQ(data->waveDataSizePerChannel(), 12288);
}

TEST(SampleDataReading, EveryChannelAndFrameReadsBackFromItsPlane) {
    ScratchDir dir;
    std::string path = dir.file("s.data");
    writeStaircase(path, 3, 10000);
    auto data = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(data);
    std::vector<float> buffer(3000);
    for (int c = 0; c < 3; ++c) {
        data->readSample(buffer.data(), c, 3000, 4321);
        for (int i = 0; i < 3000; ++i) ASSERT_EQ(buffer[i], static_cast<float>(c * 1000000 + 4321 + i));
    }
    // Small reads go through the page cache, in order and out of order.
    for (int64_t k : {0, 1, 1023, 1024, 5, 9999, 2048, 2047}) {
        float v = -1.0f;
        data->readSample(&v, 1, 1, k);
        EXPECT_EQ(v, static_cast<float>(1000000 + k)) << k;
    }
}

TEST(SampleDataReading, ReadsOutsideAChannelsFramesGiveZero) {
    ScratchDir dir;
    std::string path = dir.file("s.data");
    writeStaircase(path, 2, 1500);
    auto data = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(data);
    std::vector<float> buffer(100, -7.0f);
    data->readSample(buffer.data(), 0, 100, 1450);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(buffer[i], 1450.0f + i);
    for (int i = 50; i < 100; ++i) EXPECT_EQ(buffer[i], 0.0f) << i;  // not channel 1's frames
    data->readSample(buffer.data(), 0, 10, -5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(buffer[i], 0.0f);
    EXPECT_EQ(buffer[5], 0.0f);
    EXPECT_EQ(buffer[6], 1.0f);
    data->readSample(buffer.data(), 2, 10, 0);  // no such channel
    for (int i = 0; i < 10; ++i) EXPECT_EQ(buffer[i], 0.0f);
}

TEST(SampleDataReading, WrongMagicOpensWithNoChannelsAndNoFrames) {
    ScratchDir dir;
    std::string path = dir.file("bad.data");
    writeStaircase(path, 2, 44100);
    {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        uint32_t wrong = 0x12345678;
        f.write(reinterpret_cast<const char*>(&wrong), 4);
    }
    auto data = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(data);
    EXPECT_FALSE(data->hasValidHeader());
    EXPECT_EQ(data->channels(), 0);
    EXPECT_EQ(data->framePerChannel(), 0);
    EXPECT_EQ(data->sampleRate(), 44100);
    EXPECT_EQ(data->wavPointsPerSecond(), 200);
    EXPECT_EQ(data->duration(), 0.0);
}

TEST(SampleDataReading, HeaderClaimingMoreThanTheFileHoldsReadsZerosPastItsEnd) {
    ScratchDir dir;
    std::string path = dir.file("short.data");
    writeStaircase(path, 1, 44100);
    ASSERT_EQ(::truncate(path.c_str(), 4096 + 4 * 1000), 0);
    auto data = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->framePerChannel(), 44100);
    std::vector<float> buffer(4000, -1.0f);
    data->readSample(buffer.data(), 0, 4000, 0);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(buffer[i], static_cast<float>(i));
    for (int i = 1000; i < 4000; ++i) ASSERT_EQ(buffer[i], 0.0f) << i;
    // A one-point read near the end refills the page cache: its tail must not keep
    // values of an earlier page.
    float v = -1.0f;
    data->readSample(&v, 0, 1, 10);
    data->readSample(&v, 0, 1, 999);
    EXPECT_EQ(v, 999.0f);
    data->readSample(&v, 0, 1, 1001);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(data->sampleWaveAtTime(0.5, 0), 0.0f);
}

TEST(SampleDataReading, ReadsOfAnySizeInAnyOrderGiveTheFileAsWritten) {
    // Runs of consecutive reads (as read-ahead makes them) mixed with jumps, other
    // channels, reads across a channel's end and before its start.
    ScratchDir dir;
    std::string path = dir.file("s.data");
    writeStaircase(path, 3, 50000);
    auto data = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(data);
    uint32_t seed = 5;
    auto next = [&](uint32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int64_t>((seed >> 8) % range);
    };
    std::vector<float> buffer(9000);
    int64_t at = 0;
    for (int read = 0; read < 3000; ++read) {
        const int32_t channel = static_cast<int32_t>(next(3));
        const int32_t frames = static_cast<int32_t>(next(8) == 0 ? 1 + next(9000) : 1 + next(2048));
        if (next(6) == 0) at = next(52000) - 1000;  // a jump
        data->readSample(buffer.data(), channel, frames, at);
        for (int32_t i = 0; i < frames; ++i) {
            const int64_t k = at + i;
            const float expected = k < 0 || k >= 50000 ? 0.0f : static_cast<float>(channel * 1000000 + k);
            ASSERT_EQ(buffer[i], expected) << "read " << read << " frame " << k;
        }
        at += frames;
    }
}

TEST(SampleDataReading, BytesMissingAtOneReadAreReadAgainOnceTheFileHoldsThem) {
    ScratchDir dir;
    std::string path = dir.file("growing.data");
    writeStaircase(path, 1, 44100);
    std::string whole;
    {
        std::ifstream in(path, std::ios::binary);
        whole.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_EQ(::truncate(path.c_str(), 4096 + 4 * 1000), 0);
    auto data = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(data);
    std::vector<float> buffer(2048, -1.0f);
    data->readSample(buffer.data(), 0, 2048, 0);
    EXPECT_EQ(buffer[999], 999.0f);
    EXPECT_EQ(buffer[1000], 0.0f);
    {
        std::ofstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        out.write(whole.data(), static_cast<std::streamsize>(whole.size()));
    }
    data->readSample(buffer.data(), 0, 2048, 500);
    for (int i = 0; i < 2048; ++i) ASSERT_EQ(buffer[i], static_cast<float>(500 + i)) << i;
}

TEST(SampleDataReading, AbsurdHeaderIsNotTakenAtItsWord) {
    ScratchDir dir;
    std::string path = dir.file("huge.data");
    {
        std::ofstream f(path, std::ios::binary);
        uint32_t magic = 0x83626181u;
        int32_t channels = 2;
        int64_t frames = int64_t(1) << 62;
        int32_t rate = 44100, points = 200;
        f.write(reinterpret_cast<const char*>(&magic), 4);
        f.write(reinterpret_cast<const char*>(&channels), 4);
        f.write(reinterpret_cast<const char*>(&frames), 8);
        f.write(reinterpret_cast<const char*>(&rate), 4);
        f.write(reinterpret_cast<const char*>(&points), 4);
    }
    auto data = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->channels(), 0);
    EXPECT_EQ(data->framePerChannel(), 0);
}

TEST(SampleDataOpening, MissingFileOrEmptyPathGivesNoObject) {
    ScratchDir dir;
    EXPECT_FALSE(AudioSampleData::dataForReadingAtPath(dir.file("nothing.data")));
    EXPECT_FALSE(AudioSampleData::dataForReadingAtPath(""));
    EXPECT_FALSE(AudioSampleData::dataForWritingAtPath(dir.file("no/such/folder/x.data")));
}

TEST(SampleDataWriting, OpeningForWritingReplacesAnExistingFileWithOwnerOnlyPermissions) {
    ScratchDir dir;
    std::string path = dir.file("w.data");
    {
        std::ofstream f(path);
        f << "old contents that must go";
    }
    ::chmod(path.c_str(), 0644);
    auto data = AudioSampleData::dataForWritingAtPath(path);
    ASSERT_TRUE(data);
    struct stat st{};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(st.st_size, 0);
    data.reset();  // dropping the writer completes the file
    auto reread = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(reread);
    EXPECT_TRUE(reread->hasValidHeader());
    EXPECT_EQ(reread->channels(), 0);
}

TEST(SampleDataWriting, AFileThatCannotBeWrittenInFullIsRemovedAndReported) {
    ScratchDir dir;
    std::string path = dir.file("full.data");
    auto data = AudioSampleData::dataForWritingAtPath(path);
    ASSERT_TRUE(data);
    data->setFramePerChannel(44100 * 4);
    data->setChannels(1);
    // A file-size limit stands in for a full disk.
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    std::vector<float> block(1024, 0.25f);
    for (int64_t p = 0; p < 44100 * 4; p += 1024) data->writeSample(block.data(), 0, 1024, p);
    bool completed = data->closeData();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(data->hasWriteError());
    EXPECT_FALSE(completed);
    EXPECT_FALSE(data->writeErrorText().empty());
    EXPECT_EQ(fileSize(path), -1);
}

TEST(SampleDataWriting, WritesInAnyOrderLandAsLastWrittenAndReadBackBeforeTheClose) {
    // Runs of writes one after another on more channels than writes are gathered for,
    // rewrites of what is still gathered, and reads while writing.
    ScratchDir dir;
    const std::string path = dir.file("order.data");
    const int channels = 20;
    const int64_t frames = 300000;
    auto data = AudioSampleData::dataForWritingAtPath(path);
    ASSERT_TRUE(data);
    data->setFramePerChannel(frames);
    data->setChannels(channels);
    std::vector<std::vector<float>> expected(channels, std::vector<float>(static_cast<size_t>(frames), 0.0f));
    std::vector<int64_t> next(channels, 0);
    std::mt19937 random(7);
    std::vector<float> block(100000), back(100000);
    for (int step = 0; step < 3000; ++step) {
        const int c = static_cast<int>(random() % channels);
        const int32_t n = 1 + static_cast<int32_t>(random() % (step % 50 == 0 ? 90000 : 9000));
        // Mostly where the channel's last write ended, sometimes over its last
        // frames again, sometimes anywhere.
        const uint32_t kind = random() % 8;
        int64_t at = kind > 1 ? next[c] : kind == 1 ? std::max<int64_t>(0, next[c] - 1 - random() % 20000)
                                                    : static_cast<int64_t>(random() % frames);
        if (at + n > frames) at = 0;
        for (int32_t i = 0; i < n; ++i) block[i] = static_cast<float>(step * 1000 + i % 1000);
        data->writeSample(block.data(), c, n, at);
        std::copy(block.begin(), block.begin() + n, expected[c].begin() + at);
        next[c] = at + n;
        if (step % 601 == 0) {
            const int64_t from = static_cast<int64_t>(random() % (frames - 50000));
            data->readSample(back.data(), c, 50000, from);
            ASSERT_TRUE(std::equal(back.begin(), back.begin() + 50000, expected[c].begin() + from)) << step;
        }
    }
    ASSERT_TRUE(data->closeData());
    auto reread = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(reread);
    std::vector<float> plane(static_cast<size_t>(frames));
    for (int c = 0; c < channels; ++c) {
        reread->readSample(plane.data(), c, static_cast<int32_t>(frames), 0);
        ASSERT_EQ(plane, expected[c]) << c;
    }
}

// Grows the planes of a new file at path while writing two channels, and checks them.
static void growPlanesWhileWriting(const std::string& path) {
    auto data = AudioSampleData::dataForWritingAtPath(path);
    ASSERT_TRUE(data);
    data->setFramePerChannel(2048);  // the stated length is far too short
    const int64_t total = 44100 * 70 + 77;
    std::vector<float> block(1024);
    for (int64_t p = 0; p < total; p += 1024) {
        int64_t n = std::min<int64_t>(1024, total - p);
        if (p + n > data->framePerChannel()) ASSERT_TRUE(data->reserveFramesPerChannel(p + n, 2));
        data->setChannels(2);
        for (int c = 0; c < 2; ++c) {
            for (int i = 0; i < 1024; ++i) block[i] = static_cast<float>(c * 10000000 + p + i);
            data->writeSample(block.data(), c, 1024, p);
        }
    }
    EXPECT_EQ(data->framePerChannel(), total);
    ASSERT_TRUE(data->closeData());
    EXPECT_EQ(fileSize(path), 4096 + 2 * ((total * 4 + 4095) / 4096 * 4096) + 2 * ((70 * 200 * 4 + 4095) / 4096 * 4096));
    auto reread = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->framePerChannel(), total);
    std::vector<float> buffer(4096);
    for (int c = 0; c < 2; ++c) {
        for (int64_t k : {int64_t(0), int64_t(2000), int64_t(44100 * 31), total - 4096}) {
            reread->readSample(buffer.data(), c, 4096, k);
            for (int i = 0; i < 4096; ++i) ASSERT_EQ(buffer[i], static_cast<float>(c * 10000000 + k + i)) << c << " " << k;
        }
    }
}

TEST(SampleDataWriting, GrowingPlanesWhileWritingKeepsEveryChannelIntact) {
    // Grown past the samples and cut back at the close: on ext4 or XFS the gaps
    // between the planes are opened and cut in place, on tmpfs the planes are copied.
    ScratchDir dir;
    growPlanesWhileWriting(dir.file("grow.data"));
    if (::access("/dev/shm", W_OK) == 0) {
        const std::string shm = "/dev/shm/wavomer-grow-" + std::to_string(::getpid()) + ".data";
        growPlanesWhileWriting(shm);
        ::unlink(shm.c_str());
    }
}

TEST(SampleLevel, IsAOneSidedPeakFollower) {
    const float ones[] = {1.0f, 1.0f, 1.0f};
    EXPECT_FLOAT_EQ(AudioSampleData::findSampleLevel(ones, 3), 0.875f);
    const float negative[] = {-1.0f, -0.5f};
    EXPECT_EQ(AudioSampleData::findSampleLevel(negative, 2), 0.0f);
    const float mixed[] = {0.0f, 0.8f, 0.2f};
    EXPECT_FLOAT_EQ(AudioSampleData::findSampleLevel(mixed, 3), 0.4f);
    EXPECT_EQ(AudioSampleData::findSampleLevel(mixed, 0), 0.0f);
}

TEST(SampleLevel, SkippingRunsGivesTheSameLevelAsTheValueByValueRule) {
    auto byValue = [](const std::vector<float>& values, int count) {
        double level = 0.0;
        for (int i = 0; i < count; ++i) {
            double m = (level + values[i]) / 2.0;
            if (m > level) level = m;
        }
        return level;
    };
    std::vector<float> values(220);
    uint32_t seed = 12345;
    for (int trial = 0; trial < 300; ++trial) {
        for (auto& v : values) {
            seed = seed * 1664525u + 1013904223u;
            v = static_cast<float>(static_cast<int32_t>(seed >> 8) % 20001 - 10000) / 10000.0f;
        }
        const int count = 1 + trial % 220;
        if (trial % 3 == 1) {
            // NaN never moves the level, nor hides a value beside it that does.
            for (int i = trial % 5; i < count; i += 7) values[static_cast<size_t>(i)] = std::nanf("");
        } else if (trial % 3 == 2) {
            // Floats at the level's rounding: one that rounds up lies above it.
            const double level = byValue(values, 16);
            const float near = static_cast<float>(level);
            for (size_t i = 16; i < values.size(); ++i)
                values[i] = i % 2 ? near : std::nextafter(near, -1.0f);
        }
        ASSERT_EQ(AudioSampleData::foldSampleLevel(0.0, values.data(), count), byValue(values, count)) << trial;
    }
}

TEST(SampleEnvelope, ClosingAWrittenFileComputesTwoHundredPointsPerSecond) {
    ScratchDir dir;
    std::string path = dir.file("env.data");
    auto data = AudioSampleData::dataForWritingAtPath(path);
    ASSERT_TRUE(data);
    const int64_t frames = 44100 + 22050;  // 1.5 s
    data->setFramePerChannel(frames);
    data->setChannels(2);
    std::vector<float> block(1024);
    for (int64_t p = 0; p < frames; p += 1024) {
        for (int i = 0; i < 1024; ++i) block[i] = (p + i) < 44100 ? 1.0f : 0.5f;
        data->writeSample(block.data(), 0, 1024, p);
        std::fill(block.begin(), block.end(), -1.0f);
        data->writeSample(block.data(), 1, 1024, p);
    }
    ASSERT_TRUE(data->closeData());
    auto reread = AudioSampleData::dataForReadingAtPath(path);
    ASSERT_TRUE(reread);
    std::vector<float> points(400);
    reread->readWave(points.data(), 0, 400, 0);
    // 220 values of 1.0 raise the level to 1 - 2^-220, which is 1.0 in float.
    for (int j = 0; j < 200; ++j) EXPECT_EQ(points[j], 1.0f) << j;
    for (int j = 200; j < 300; ++j) EXPECT_EQ(points[j], 0.5f) << j;
    for (int j = 300; j < 400; ++j) EXPECT_EQ(points[j], 0.0f) << j;  // past the end counts as silence
    reread->readWave(points.data(), 1, 400, 0);
    for (int j = 0; j < 400; ++j) EXPECT_EQ(points[j], 0.0f);  // negative samples never count
    // 1.2374 s at 200 points per second is point 247.
    EXPECT_EQ(reread->sampleWaveAtTime(1.2374, 0), 0.5f);
    EXPECT_EQ(reread->sampleWaveAtTime(0.99, 0), 1.0f);
    EXPECT_EQ(reread->sampleWaveAtTime(0.999, 0), 0.5f);  // rounds to point 200
    EXPECT_EQ(reread->sampleWaveAtTime(-0.5, 0), 0.0f);
}

TEST(SampleEnvelope, PointsBeyondTheWholeSecondsAreReadOnlyWhereTheyAreTheChannelsOwn) {
    ScratchDir dir;
    std::string path = dir.file("tail.data");
    auto data = AudioSampleData::dataForWritingAtPath(path);
    ASSERT_TRUE(data);
    // 10.40 s: each plane holds 2048 points; the eleventh second yields 2200.
    const int64_t frames = static_cast<int64_t>(10.40 * 44100);
    data->setFramePerChannel(frames);
    data->setChannels(2);
    std::vector<float> block(1024);
    for (int64_t p = 0; p < frames; p += 1024) {
        std::fill(block.begin(), block.end(), 0.75f);
        data->writeSample(block.data(), 0, 1024, p);
        std::fill(block.begin(), block.end(), 0.25f);
        data->writeSample(block.data(), 1, 1024, p);
    }
    ASSERT_TRUE(data->closeData());
    auto reread = AudioSampleData::dataForReadingAtPath(path);
    std::vector<float> points(2048);
    reread->readWave(points.data(), 1, 2048, 0);
    for (int j = 0; j < 2048; ++j) ASSERT_NEAR(points[j], 0.25f, 1e-6) << j;
    reread->readWave(points.data(), 0, 2048, 0);
    for (int j = 0; j < 2048; ++j) ASSERT_NEAR(points[j], 0.75f, 1e-6) << j;
    // Channel 0's point 2060 lies where channel 1's point 12 was written: it is
    // computed from channel 0's own samples instead.
    EXPECT_NEAR(reread->sampleWaveAtTime(10.30, 0), 0.75f, 1e-6);
    EXPECT_EQ(reread->sampleWaveAtTime(10.80, 0), 0.0f);
    // The last channel's tail went past the planes and is its own.
    EXPECT_NEAR(reread->sampleWaveAtTime(10.30, 1), 0.25f, 1e-6);
    EXPECT_EQ(reread->sampleWaveAtTime(10.80, 1), 0.0f);
    EXPECT_EQ(fileSize(path), 4096 + 2 * ((frames * 4 + 4095) / 4096 * 4096) + 8192 + 2200 * 4);
}

TEST(SampleEnvelope, AMonoClipShorterThanHalfASecondStillHasItsEnvelope) {
    ScratchDir dir;
    std::string path = dir.file("clip.data");
    auto data = AudioSampleData::dataForWritingAtPath(path);
    const int64_t frames = static_cast<int64_t>(0.2 * 44100);
    data->setFramePerChannel(frames);
    data->setChannels(1);
    std::vector<float> block(1024, 0.5f);
    for (int64_t p = 0; p < frames; p += 1024) data->writeSample(block.data(), 0, 1024, p);
    ASSERT_TRUE(data->closeData());
    auto reread = AudioSampleData::dataForReadingAtPath(path);
    EXPECT_EQ(reread->waveDataSizePerChannel(), 0);
    EXPECT_NEAR(reread->sampleWaveAtTime(0.1, 0), 0.5f, 1e-6);
    EXPECT_EQ(reread->sampleWaveAtTime(0.3, 0), 0.0f);
}
