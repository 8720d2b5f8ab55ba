// The recording file: frames come back exactly, the header keeps up while the writer
// runs, a long recording becomes RF64 in place, a full disk keeps what came before, and
// a crashed recording is repaired from its length (foreign files are refused untouched).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

#include <gtest/gtest.h>

#include "record/RecordingFile.h"
#include "support/TestSupport.h"

using wavomer::RecordingFileWriter;
using wavomer::findUnfinishedRecordings;
using wavomer::recordingMarkerPath;
using wavomer::test::runCommand;
using wavomer::test::ScratchDir;
using wavomer::test::shellQuote;

namespace {

constexpr size_t kDataOffset = 82;

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint64_t le64(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint64_t>(le32(b, at)) | (static_cast<uint64_t>(le32(b, at + 4)) << 32);
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
std::string id(const std::vector<uint8_t>& b, size_t at) { return {reinterpret_cast<const char*>(&b[at]), 4}; }

// Frames no two of which are alike, so a lost, doubled or shifted block shows.
std::vector<float> frames(int64_t count, int channels, int64_t first = 0) {
    std::vector<float> out(static_cast<size_t>(count * channels));
    for (int64_t i = 0; i < count; ++i)
        for (int c = 0; c < channels; ++c)
            out[static_cast<size_t>(i * channels + c)] =
                static_cast<float>(0.5 * std::sin(0.001 * static_cast<double>(first + i) * (c + 1)) +
                                   1e-6 * static_cast<double>((first + i) % 1000));
    return out;
}

// Appends in uneven blocks, as a capture stream hands them over.
void appendInBlocks(RecordingFileWriter& writer, const std::vector<float>& interleaved, int channels) {
    const int64_t total = static_cast<int64_t>(interleaved.size()) / channels;
    const int64_t sizes[] = {1, 441, 4410, 17, 2048, 999};
    int64_t at = 0;
    for (size_t i = 0; at < total; ++i) {
        const int64_t n = std::min(sizes[i % 6], total - at);
        writer.append(interleaved.data() + at * channels, n);
        at += n;
    }
}

// Waits for something another thread does, up to a bound that only a hang reaches.
bool eventually(const std::function<bool()>& condition, double seconds = 20.0) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::vector<uint8_t> asBytes(const std::vector<float>& samples) {
    const auto* p = reinterpret_cast<const uint8_t*>(samples.data());
    return {p, p + samples.size() * sizeof(float)};
}

std::vector<uint8_t> dataOf(const std::vector<uint8_t>& file) {
    return {file.begin() + static_cast<std::ptrdiff_t>(std::min(kDataOffset, file.size())), file.end()};
}

// What FFmpeg makes of the file: "codec rate channels frames", and its decoded samples.
std::string probe(const std::string& path) {
    std::string out;
    runCommand("ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels,duration_ts "
               "-of csv=p=0 " + shellQuote(path), &out);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}
std::string expectedProbe(int channels, int64_t count) {
    return "pcm_f32le,44100," + std::to_string(channels) + "," + std::to_string(count);
}
std::vector<uint8_t> decoded(const std::string& path, const std::string& rawPath) {
    if (!wavomer::test::ffmpeg("-i " + shellQuote(path) + " -f f32le -c:a pcm_f32le " + shellQuote(rawPath)))
        return {};
    return readBytes(rawPath);
}

// The plain header this program writes for `count` frames.
void expectPlainHeader(const std::vector<uint8_t>& file, int channels, int64_t count) {
    ASSERT_GE(file.size(), kDataOffset);
    const uint64_t dataBytes = static_cast<uint64_t>(count) * channels * 4;
    EXPECT_EQ(id(file, 0), "RIFF");
    EXPECT_EQ(le32(file, 4), kDataOffset - 8 + dataBytes);
    EXPECT_EQ(id(file, 8), "WAVE");
    EXPECT_EQ(id(file, 12), "JUNK");
    EXPECT_EQ(le32(file, 16), 28u);
    EXPECT_EQ(id(file, 48), "fmt ");
    EXPECT_EQ(le32(file, 52), 18u);
    EXPECT_EQ(le16(file, 56), 3u);  // IEEE float
    EXPECT_EQ(le16(file, 58), channels);
    EXPECT_EQ(le32(file, 60), 44100u);
    EXPECT_EQ(le32(file, 64), 44100u * channels * 4);
    EXPECT_EQ(le16(file, 68), channels * 4);
    EXPECT_EQ(le16(file, 70), 32u);
    EXPECT_EQ(id(file, 74), "data");
    EXPECT_EQ(le32(file, 78), dataBytes);
}

// Makes a copy of a recording as a crash leaves it: the file as it is on the disk with the
// writer still running (its header not yet rewritten), and its marker.
void copyAsCrashed(const std::string& from, const std::string& to) {
    writeBytes(to, readBytes(from));
    writeBytes(recordingMarkerPath(to), readBytes(recordingMarkerPath(from)));
}

}  // namespace

TEST(RecordingFile, GivesBackEveryFrameAndMarksTheRecordingWhileItRuns) {
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        ScratchDir dir;
        const std::string path = dir.file("take.wav");
        const int64_t count = 44100 * 3 / 4 + 7;
        const std::vector<float> input = frames(count, channels);
        RecordingFileWriter writer;
        writer.begin(path, channels);
        appendInBlocks(writer, input, channels);
        ASSERT_TRUE(eventually([&] { return writer.framesWritten() == count; }));
        EXPECT_TRUE(writer.isRunning());
        ASSERT_TRUE(exists(recordingMarkerPath(path)));
        const auto markerText = readBytes(recordingMarkerPath(path));
        const std::string marker(markerText.begin(), markerText.end());
        EXPECT_NE(marker.find("channels " + std::to_string(channels)), std::string::npos) << marker;
        EXPECT_NE(marker.find("44100"), std::string::npos) << marker;

        ASSERT_OK(writer.finish());
        EXPECT_FALSE(writer.isRunning());
        EXPECT_FALSE(exists(recordingMarkerPath(path)));
        const auto file = readBytes(path);
        expectPlainHeader(file, channels, count);
        EXPECT_EQ(file.size(), kDataOffset + input.size() * 4);
        EXPECT_TRUE(dataOf(file) == asBytes(input));
        EXPECT_EQ(probe(path), expectedProbe(channels, count));
        EXPECT_TRUE(decoded(path, dir.file("decoded.raw")) == asBytes(input));
    }
}

TEST(RecordingRepair, ARecordingStillRunningIsNotTakenForAnUnfinishedOne) {
    // Another window (or another running program) recording into the same folder holds
    // its marker; only a marker nobody holds any more means a recording cut short.
    ScratchDir dir;
    const std::string path = dir.file("Built-in.wav");
    RecordingFileWriter writer;
    writer.begin(path, 1);
    const std::vector<float> input = frames(4410, 1);
    writer.append(input.data(), 4410);
    ASSERT_TRUE(eventually([&] { return writer.framesWritten() == 4410; }));
    EXPECT_TRUE(findUnfinishedRecordings(dir.path()).empty());
    ASSERT_OK(writer.finish());
    // What a killed writer leaves: the marker, with no lock on it.
    std::ofstream(recordingMarkerPath(path)) << "channels 1\nrate 44100\n";
    EXPECT_EQ(findUnfinishedRecordings(dir.path()), std::vector<std::string>{path});
}

TEST(RecordingFile, AppendsAfterFinishGoNowhereAndANewBeginStartsAFreshFile) {
    ScratchDir dir;
    RecordingFileWriter writer;
    writer.begin(dir.file("one.wav"), 2);
    const auto first = frames(1000, 2);
    writer.append(first.data(), 1000);
    ASSERT_OK(writer.finish());
    writer.append(first.data(), 1000);  // after finish: dropped
    EXPECT_EQ(readBytes(dir.file("one.wav")).size(), kDataOffset + first.size() * 4);

    const auto second = frames(300, 1, 5000);
    writer.begin(dir.file("two.wav"), 1);
    writer.append(second.data(), 300);
    ASSERT_OK(writer.finish());
    EXPECT_EQ(writer.framesWritten(), 300);
    const auto file = readBytes(dir.file("two.wav"));
    expectPlainHeader(file, 1, 300);
    EXPECT_TRUE(dataOf(file) == asBytes(second));
}

TEST(RecordingFile, RewritesItsHeaderWithinTheSyncIntervalWhileRunning) {
    ScratchDir dir;
    const std::string path = dir.file("take.wav");
    RecordingFileWriter::Options options;
    options.syncSeconds = 0.25;
    RecordingFileWriter writer(options);
    writer.begin(path, 2);
    const int64_t count = 44100 * 3 / 2;
    const auto input = frames(count, 2);
    appendInBlocks(writer, input, 2);
    ASSERT_TRUE(eventually([&] { return writer.framesWritten() == count; }));
    // No more frames arrive; the header catches up with what is on the disk by itself.
    std::vector<uint8_t> file;
    ASSERT_TRUE(eventually([&] {
        file = readBytes(path);
        return file.size() >= kDataOffset && le32(file, 78) == static_cast<uint32_t>(count * 8);
    })) << "the header says " << (file.size() >= kDataOffset ? le32(file, 78) : 0) << " bytes";
    EXPECT_TRUE(writer.isRunning());
    expectPlainHeader(file, 2, count);
    EXPECT_EQ(probe(path), expectedProbe(2, count));
    ASSERT_OK(writer.finish());
}

TEST(RecordingFile, BecomesRf64InPlaceWhenTheDataPassTheLimit) {
    ScratchDir dir;
    const std::string path = dir.file("long.wav");
    RecordingFileWriter::Options options;
    options.rf64DataBytes = 100000;
    RecordingFileWriter writer(options);
    writer.begin(path, 2);
    const int64_t count = 44100;
    const auto input = frames(count, 2);
    appendInBlocks(writer, input, 2);
    ASSERT_OK(writer.finish());

    const auto file = readBytes(path);
    ASSERT_EQ(file.size(), kDataOffset + input.size() * 4);
    EXPECT_EQ(id(file, 0), "RF64");
    EXPECT_EQ(le32(file, 4), 0xFFFFFFFFu);
    EXPECT_EQ(id(file, 8), "WAVE");
    EXPECT_EQ(id(file, 12), "ds64");
    EXPECT_EQ(le32(file, 16), 28u);
    EXPECT_EQ(le64(file, 20), file.size() - 8);       // riff size
    EXPECT_EQ(le64(file, 28), input.size() * 4);      // data size
    EXPECT_EQ(le64(file, 36), static_cast<uint64_t>(count));  // sample frames
    EXPECT_EQ(le32(file, 44), 0u);                     // no table
    EXPECT_EQ(id(file, 48), "fmt ");
    EXPECT_EQ(le16(file, 58), 2u);
    EXPECT_EQ(id(file, 74), "data");
    EXPECT_EQ(le32(file, 78), 0xFFFFFFFFu);
    // The data did not move.
    EXPECT_TRUE(dataOf(file) == asBytes(input));
    EXPECT_EQ(probe(path), expectedProbe(2, count));
    EXPECT_TRUE(decoded(path, dir.file("decoded.raw")) == asBytes(input));
}

TEST(RecordingFile, AFullDiskEndsTheRecordingWithTheWholeFramesBeforeIt) {
    ScratchDir dir;
    const std::string path = dir.file("full.wav");
    // The disk takes this many bytes of frames, the last frame only in part, then no more.
    const long room = 44100 * 8 / 2 + 5;
    long taken = 0;
    RecordingFileWriter::Options options;
    options.write = [&taken, room](int fd, const void* data, unsigned long size) -> long {
        const long n = std::min<long>(static_cast<long>(size), room - taken);
        if (n <= 0) {
            errno = ENOSPC;
            return -1;
        }
        const long written = ::write(fd, data, static_cast<size_t>(n));
        if (written > 0) taken += written;
        return written;
    };
    RecordingFileWriter writer(options);
    writer.begin(path, 2);
    const auto input = frames(44100, 2);
    appendInBlocks(writer, input, 2);
    ASSERT_TRUE(eventually([&] { return writer.failure().has_value(); }));
    writer.append(input.data(), 100);  // after the failure: dropped
    const wavomer::Outcome<> finished = writer.finish();
    ASSERT_FALSE(finished.ok());
    EXPECT_NE(finished.error().find("the disk is full"), std::string::npos) << finished.error();
    EXPECT_NE(finished.error().find(path), std::string::npos) << finished.error();

    const int64_t kept = room / 8;
    EXPECT_EQ(writer.framesWritten(), kept);
    const auto file = readBytes(path);
    expectPlainHeader(file, 2, kept);
    ASSERT_EQ(file.size(), kDataOffset + static_cast<size_t>(kept) * 8);
    const auto before = asBytes(input);
    EXPECT_TRUE(dataOf(file) == std::vector<uint8_t>(before.begin(), before.begin() + kept * 8));
    EXPECT_EQ(probe(path), expectedProbe(2, kept));
    // The file is whole: nothing to repair at the next start.
    EXPECT_FALSE(exists(recordingMarkerPath(path)));
}

TEST(RecordingFile, SaysWhyARecordingCannotBegin) {
    ScratchDir dir;
    RecordingFileWriter writer;
    const std::string nowhere = dir.file("missing/take.wav");
    writer.begin(nowhere, 2);
    ASSERT_TRUE(eventually([&] { return writer.failure().has_value(); }));
    const auto frame = frames(10, 2);
    writer.append(frame.data(), 10);
    const wavomer::Outcome<> finished = writer.finish();
    ASSERT_FALSE(finished.ok());
    EXPECT_NE(finished.error().find(nowhere), std::string::npos) << finished.error();
    EXPECT_FALSE(exists(recordingMarkerPath(nowhere)));

    writer.begin(dir.file("three.wav"), 3);
    const wavomer::Outcome<> refused = writer.finish();
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("3"), std::string::npos) << refused.error();
    EXPECT_FALSE(exists(dir.file("three.wav")));
}

TEST(RecordingRepair, RestoresTheFramesOfARecordingWhoseHeaderSaysNone) {
    ScratchDir dir;
    ScratchDir crashed;
    const std::string live = dir.file("live.wav");
    RecordingFileWriter::Options options;
    options.syncSeconds = 3600;  // the header keeps saying 0 frames while it runs
    RecordingFileWriter writer(options);
    writer.begin(live, 2);
    const int64_t count = 20000;
    const auto input = frames(count, 2);
    appendInBlocks(writer, input, 2);
    ASSERT_TRUE(eventually([&] { return writer.framesWritten() == count; }));
    const std::string path = crashed.file("take.wav");
    copyAsCrashed(live, path);
    ASSERT_OK(writer.finish());
    ASSERT_EQ(le32(readBytes(path), 78), 0u);

    ASSERT_EQ(wavomer::findUnfinishedRecordings(crashed.path()), std::vector<std::string>{path});
    EXPECT_TRUE(wavomer::findUnfinishedRecordings(dir.path()).empty());
    const auto repaired = wavomer::repairUnfinishedRecording(path);
    ASSERT_TRUE(repaired.ok()) << repaired.error();
    EXPECT_EQ(repaired->path, path);
    EXPECT_EQ(repaired->channels, 2);
    EXPECT_EQ(repaired->frames, count);
    EXPECT_DOUBLE_EQ(repaired->seconds(), static_cast<double>(count) / 44100.0);
    const auto file = readBytes(path);
    expectPlainHeader(file, 2, count);
    EXPECT_TRUE(dataOf(file) == asBytes(input));
    EXPECT_EQ(probe(path), expectedProbe(2, count));
    EXPECT_TRUE(decoded(path, crashed.file("decoded.raw")) == asBytes(input));

    // The marker stays until the recording is let go.
    EXPECT_EQ(wavomer::findUnfinishedRecordings(crashed.path()).size(), 1u);
    wavomer::forgetUnfinishedRecording(path);
    EXPECT_TRUE(wavomer::findUnfinishedRecordings(crashed.path()).empty());
    EXPECT_TRUE(exists(path));
}

TEST(RecordingRepair, CutsAPartialLastFrameOffATruncatedRecording) {
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        ScratchDir dir;
        const std::string path = dir.file("cut.wav");
        RecordingFileWriter writer;
        writer.begin(path, channels);
        const int64_t count = 5000;
        const auto input = frames(count, channels);
        writer.append(input.data(), count);
        ASSERT_OK(writer.finish());
        // As a crash mid-write leaves it: an odd length, with a stale header.
        auto bytes = readBytes(path);
        bytes.resize(bytes.size() - 3);
        writeBytes(path, bytes);
        writeBytes(recordingMarkerPath(path), {'x'});

        const auto repaired = wavomer::repairUnfinishedRecording(path);
        ASSERT_TRUE(repaired.ok()) << repaired.error();
        EXPECT_EQ(repaired->channels, channels);
        EXPECT_EQ(repaired->frames, count - 1);
        const auto file = readBytes(path);
        expectPlainHeader(file, channels, count - 1);
        EXPECT_EQ(file.size(), kDataOffset + static_cast<size_t>((count - 1) * channels * 4));
        const auto before = asBytes(input);
        EXPECT_TRUE(dataOf(file) == std::vector<uint8_t>(before.begin(), before.end() - channels * 4));
        EXPECT_EQ(probe(path), expectedProbe(channels, count - 1));
    }
}

TEST(RecordingRepair, MakesARecordingTooLargeForAPlainHeaderRf64) {
    ScratchDir dir;
    const std::string path = dir.file("huge.wav");
    RecordingFileWriter writer;
    writer.begin(path, 2);
    const auto input = frames(1000, 2);
    writer.append(input.data(), 1000);
    ASSERT_OK(writer.finish());
    // Past 4 GiB of data (a sparse file: the frames after the first thousand are zeros).
    const uint64_t count = (0x100000000ull + 4096) / 8;
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(kDataOffset + count * 8)), 0) << std::strerror(errno);

    const auto repaired = wavomer::repairUnfinishedRecording(path);
    ASSERT_TRUE(repaired.ok()) << repaired.error();
    EXPECT_EQ(repaired->frames, static_cast<int64_t>(count));
    std::vector<uint8_t> head(kDataOffset + 64);
    {
        std::ifstream in(path, std::ios::binary);
        in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    }
    EXPECT_EQ(id(head, 0), "RF64");
    EXPECT_EQ(le32(head, 4), 0xFFFFFFFFu);
    EXPECT_EQ(id(head, 12), "ds64");
    EXPECT_EQ(le64(head, 20), kDataOffset - 8 + count * 8);
    EXPECT_EQ(le64(head, 28), count * 8);
    EXPECT_EQ(le64(head, 36), count);
    EXPECT_EQ(le32(head, 78), 0xFFFFFFFFu);
    EXPECT_EQ(std::memcmp(head.data() + kDataOffset, input.data(), 64), 0);
    EXPECT_EQ(probe(path), expectedProbe(2, static_cast<int64_t>(count)));
}

TEST(RecordingRepair, RefusesWhatIsNotARecordingAndLeavesItAsItWas) {
    ScratchDir dir;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    files.push_back({"empty.wav", {}});
    std::vector<uint8_t> garbage(4000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 7919u >> 3);
    files.push_back({"garbage.wav", garbage});
    // A RIFF whose first chunk claims far more than the file holds.
    std::vector<uint8_t> lying = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 0xF0, 0xFF, 0xFF, 0x7F};
    lying.resize(200, 0);
    files.push_back({"lying.wav", lying});
    // A WAV without a format chunk.
    std::vector<uint8_t> noFormat = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'd', 'a', 't', 'a', 0, 0, 0, 0};
    noFormat.resize(100, 1);
    files.push_back({"noformat.wav", noFormat});
    for (auto& [name, bytes] : files) writeBytes(dir.file(name), bytes);
    // A 16-bit WAV made by other means.
    wavomer::test::writeWav16(dir.file("sixteen.wav"), 2, 44100, std::vector<float>(2000, 0.25f));
    files.push_back({"sixteen.wav", readBytes(dir.file("sixteen.wav"))});

    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        const auto repaired = wavomer::repairUnfinishedRecording(dir.file(name));
        ASSERT_FALSE(repaired.ok());
        EXPECT_NE(repaired.error().find(dir.file(name)), std::string::npos) << repaired.error();
        EXPECT_TRUE(readBytes(dir.file(name)) == bytes);
    }
    const auto missing = wavomer::repairUnfinishedRecording(dir.file("missing.wav"));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("missing.wav"), std::string::npos);
    // A marker without its recording lists nothing.
    writeBytes(recordingMarkerPath(dir.file("gone.wav")), {'x'});
    EXPECT_TRUE(wavomer::findUnfinishedRecordings(dir.path()).empty());
}
