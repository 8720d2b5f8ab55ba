// Recording through a real PulseAudio daemon: the device lists (monitors left out, a new
// source appears and goes), "Computer Audio" records what the computer plays, monitoring
// writes no file, a device that goes away or a full disk ends a recording with a valid
// file and one message, a missing or hung server blocks nothing, and a recording killed
// with SIGKILL is repaired at the next start.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <thread>

#include "PulseRecorder.h"
#include "RecorderFactory.h"
#include "record/RecordingFile.h"
#include "sound/SoundTestSupport.h"
#include "support/TestSupport.h"

namespace wavomer {
namespace {

using namespace std::chrono_literals;

bool eventually(const std::function<bool()>& condition, double seconds = 15.0) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

class CountingDelegate : public AudioRecorderDelegate {
public:
    void audioRecorderDevicesChanged() override { ++changes; }
    void audioRecorderDidFail(const std::string& message) override {
        std::lock_guard guard(mutex);
        failures.push_back(message);
    }
    std::vector<std::string> failed() {
        std::lock_guard guard(mutex);
        return failures;
    }
    std::atomic<int> changes{0};
    std::mutex mutex;
    std::vector<std::string> failures;
};

// A recording as this program writes it: the format and the frames.
struct Recorded {
    int format = 0, channels = 0, rate = 0, bits = 0;
    std::vector<float> samples;  // interleaved
    int64_t frames() const { return channels ? static_cast<int64_t>(samples.size()) / channels : 0; }
    std::vector<float> channel(int c, double skipSeconds) const {
        std::vector<float> out;
        for (int64_t i = static_cast<int64_t>(skipSeconds * 44100); i < frames(); ++i)
            out.push_back(samples[static_cast<size_t>(i * channels + c)]);
        return out;
    }
};

Recorded readRecording(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Recorded r;
    if (b.size() < 82 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 48, "fmt ", 4) != 0 ||
        std::memcmp(b.data() + 74, "data", 4) != 0)
        return r;
    auto u16 = [&](size_t at) { return b[at] | (b[at + 1] << 8); };
    auto u32 = [&](size_t at) { return static_cast<uint32_t>(u16(at)) | (static_cast<uint32_t>(u16(at + 2)) << 16); };
    r.format = u16(56);
    r.channels = u16(58);
    r.rate = static_cast<int>(u32(60));
    r.bits = u16(70);
    const size_t bytes = std::min<size_t>(u32(78), b.size() - 82);
    r.samples.resize(bytes / 4);
    std::memcpy(r.samples.data(), b.data() + 82, r.samples.size() * 4);
    return r;
}

using test::powerAt;

void expectTone(const std::vector<float>& samples) {
    ASSERT_GT(samples.size(), 44100u / 2) << "too little was recorded";
    const double tone = powerAt(samples, 1000.0);
    EXPECT_GT(tone, 100.0 * powerAt(samples, 3000.0));
    EXPECT_GT(tone, 100.0 * powerAt(samples, 5000.0));
    EXPECT_GT(tone, 100.0 * powerAt(samples, 1500.0));
}

// A process of the test's own, ended (by its pid) when the object goes.
class Child {
public:
    explicit Child(std::vector<std::string> args, bool pipeOut = false) {
        int fds[2] = {-1, -1};
        if (pipeOut && ::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            if (pipeOut) {
                ::dup2(fds[1], 1);
                ::close(fds[0]);
                ::close(fds[1]);
            }
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        if (pipeOut) {
            ::close(fds[1]);
            out_ = fds[0];
        }
    }
    ~Child() {
        kill(SIGTERM);
        wait();
        if (out_ >= 0) ::close(out_);
    }
    void kill(int signal) {
        if (pid_ > 0 && !reaped_) ::kill(pid_, signal);
    }
    int wait() {
        if (pid_ <= 0 || reaped_) return status_;
        ::waitpid(pid_, &status_, 0);
        reaped_ = true;
        return status_;
    }
    // One line of the child's standard output ("" at its end).
    std::string readLine() {
        std::string line;
        char c;
        while (out_ >= 0 && ::read(out_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int status_ = 0;
    bool reaped_ = false;
};

class PulseRecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string reason;
        server = test::pulseServerForTests(&reason);
        if (server.empty()) GTEST_SKIP() << "no PulseAudio server: " << reason;
    }
    // A tone of 1 kHz into the default output, for `seconds`.
    std::unique_ptr<Child> playTone(double seconds) {
        const std::string wav = dir.file("tone.wav");
        test::writeStereoSineWav(wav, seconds, 1000.0, 0.5f);
        return std::make_unique<Child>(std::vector<std::string>{"paplay", "--server=" + server, wav});
    }
    std::string server;
    test::ScratchDir dir;
};

// Loads a module into the daemon while it lives.
class PulseModule {
public:
    PulseModule(const std::string& server, const std::string& arguments) : server_(server) {
        std::string out;
        if (test::runCommand("PULSE_SERVER=" + test::shellQuote(server) + " pactl load-module " + arguments, &out) == 0)
            index_ = out.substr(0, out.find_first_of("\r\n"));
    }
    ~PulseModule() { unload(); }
    bool loaded() const { return !index_.empty(); }
    void unload() {
        if (index_.empty()) return;
        test::runCommand("PULSE_SERVER=" + test::shellQuote(server_) + " pactl unload-module " + index_);
        index_.clear();
    }

private:
    std::string server_;
    std::string index_;
};

// A source name of this process's own, so a module left by a killed run never answers for it.
std::string micName() { return "wavomer_test_mic_" + std::to_string(::getpid()); }

std::optional<RecordDevice> findDevice(const AudioRecorder& recorder, const std::string& source) {
    for (const RecordDevice& device : recorder.audioInputDevices())
        if (device.sourceName == source) return device;
    return std::nullopt;
}

TEST_F(PulseRecorderTest, ListsTheSourcesButNotTheMonitorsAndFollowsTheirChanges) {
    PulseRecorder recorder("wavomer-tests", server);
    CountingDelegate delegate;
    recorder.setDelegate(&delegate);
    ASSERT_TRUE(recorder.waitUntilSettled(10.0));
    for (const RecordDevice& device : recorder.audioInputDevices()) {
        EXPECT_NE(device.sourceName, "wavomer_null.monitor");
        EXPECT_NE(device.sourceName, "wavomer_keepalive.monitor");
    }
    const auto computer = recorder.computerAudioInputDevice();
    ASSERT_TRUE(computer.has_value());
    EXPECT_EQ(computer->DeviceName, "Computer Audio");
    EXPECT_EQ(computer->sourceName, "@DEFAULT_MONITOR@");
    EXPECT_EQ(computer->channels, 2);
    ASSERT_FALSE(findDevice(recorder, micName()));

    const int before = delegate.changes.load();
    {
        PulseModule mic(server, "module-null-source source_name=" + micName() + " channels=1 description=WavomerTestMic");
        ASSERT_TRUE(mic.loaded());
        ASSERT_TRUE(eventually([&] { return findDevice(recorder, micName()).has_value(); }));
        const auto device = findDevice(recorder, micName());
        EXPECT_EQ(device->DeviceName, "WavomerTestMic");
        EXPECT_EQ(device->channels, 1);
        EXPECT_TRUE(eventually([&] { return delegate.changes.load() > before; }));
        const int appeared = delegate.changes.load();
        mic.unload();
        ASSERT_TRUE(eventually([&] { return !findDevice(recorder, micName()); }));
        EXPECT_TRUE(eventually([&] { return delegate.changes.load() > appeared; }));
    }
    EXPECT_TRUE(recorder.computerAudioInputDevice().has_value());
    EXPECT_TRUE(delegate.failed().empty());
}

TEST_F(PulseRecorderTest, ComputerAudioRecordsTheToneTheComputerPlays) {
    auto recorder = makeAudioRecorder();
    ASSERT_TRUE(eventually([&] { return recorder->computerAudioInputDevice().has_value(); }));
    recorder->configAudioDevice(recorder->computerAudioInputDevice());
    auto player = playTone(8.0);
    recorder->start();
    EXPECT_TRUE(recorder->isStart());
    EXPECT_TRUE(eventually([&] { return recorder->audioLevel() > 0.05; })) << "no level while the tone plays";
    const std::string path = dir.file("computer.wav");
    recorder->setOutputPath(path);
    EXPECT_EQ(recorder->outputPath(), path);
    recorder->start();
    double highest = 0.0;
    for (int i = 0; i < 200; ++i) {
        std::this_thread::sleep_for(10ms);
        highest = std::max(highest, recorder->audioLevel());
    }
    recorder->stop();
    EXPECT_FALSE(recorder->isStart());
    EXPECT_GT(highest, 0.05);
    EXPECT_LE(highest, 1.0);

    EXPECT_FALSE(exists(recordingMarkerPath(path)));
    const Recorded recorded = readRecording(path);
    EXPECT_EQ(recorded.format, 3);
    EXPECT_EQ(recorded.channels, 2);
    EXPECT_EQ(recorded.rate, 44100);
    EXPECT_EQ(recorded.bits, 32);
    const double seconds = static_cast<double>(recorded.frames()) / 44100.0;
    EXPECT_GT(seconds, 1.5);
    EXPECT_LT(seconds, 3.0);
    EXPECT_DOUBLE_EQ(recorder->recordFileLength(), seconds);
    expectTone(recorded.channel(0, 0.3));
    expectTone(recorded.channel(1, 0.3));
}

TEST_F(PulseRecorderTest, MonitoringWritesNoFileAndEachRecordingNeedsItsOwnPath) {
    PulseRecorder recorder("wavomer-tests", server);
    ASSERT_TRUE(recorder.waitUntilSettled(10.0));
    recorder.configAudioDevice(recorder.computerAudioInputDevice());
    recorder.start();
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(recorder.isRecording());
    recorder.stop();
    EXPECT_TRUE(test::lines([&] {
                    std::string out;
                    test::runCommand("ls -A " + test::shellQuote(dir.path()), &out);
                    return out;
                }()).empty());

    const std::string first = dir.file("first.wav");
    recorder.setOutputPath(first);
    recorder.start();
    EXPECT_TRUE(recorder.isRecording());
    ASSERT_TRUE(eventually([&] { return recorder.recordFileLength() > 0.3; }));
    recorder.stop();
    const int64_t firstFrames = readRecording(first).frames();
    EXPECT_GT(firstFrames, 0);
    EXPECT_FALSE(exists(recordingMarkerPath(first)));

    // After a stop, start only monitors until a path is set again.
    recorder.start();
    EXPECT_TRUE(recorder.isStart());
    EXPECT_FALSE(recorder.isRecording());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(readRecording(first).frames(), firstFrames);
    const std::string second = dir.file("second.wav");
    recorder.setOutputPath(second);
    recorder.start();
    EXPECT_TRUE(recorder.isRecording());
    ASSERT_TRUE(eventually([&] { return recorder.recordFileLength() > 0.3; }));
    recorder.stop();
    EXPECT_GT(readRecording(second).frames(), 0);
    EXPECT_EQ(readRecording(first).frames(), firstFrames);
    EXPECT_FALSE(exists(recordingMarkerPath(second)));
}

TEST_F(PulseRecorderTest, ADeviceThatGoesAwayEndsTheRecordingWithAValidFile) {
    PulseRecorder recorder("wavomer-tests", server);
    CountingDelegate delegate;
    recorder.setDelegate(&delegate);
    PulseModule mic(server, "module-null-source source_name=" + micName() + " channels=2");
    ASSERT_TRUE(mic.loaded());
    ASSERT_TRUE(eventually([&] { return findDevice(recorder, micName()).has_value(); }));
    recorder.configAudioDevice(findDevice(recorder, micName()));
    const std::string path = dir.file("mic.wav");
    recorder.setOutputPath(path);
    recorder.start();
    ASSERT_TRUE(eventually([&] { return recorder.recordFileLength() > 0.2; }));
    mic.unload();
    ASSERT_TRUE(eventually([&] { return !delegate.failed().empty(); }));
    EXPECT_FALSE(recorder.isRecording());
    std::this_thread::sleep_for(200ms);
    ASSERT_EQ(delegate.failed().size(), 1u);
    EXPECT_NE(delegate.failed()[0].find("no longer available"), std::string::npos) << delegate.failed()[0];
    const Recorded recorded = readRecording(path);
    EXPECT_EQ(recorded.channels, 2);
    EXPECT_GT(recorded.frames(), 0);
    EXPECT_FALSE(exists(recordingMarkerPath(path)));
    recorder.stop();
    EXPECT_EQ(delegate.failed().size(), 1u);
}

// The silent entry needs no server: frames of silence at real time.
TEST(PulseRecorderWithoutServer, AFullDiskEndsASilentRecordingAndTellsTheDelegateOnce) {
    test::ScratchDir dir;
    const long room = 44100 * 4;  // half a second of stereo
    std::atomic<long> taken{0};
    RecordingFileWriter::Options options;
    options.write = [&taken, room](int fd, const void* data, unsigned long size) -> long {
        const long n = std::min<long>(static_cast<long>(size), room - taken.load());
        if (n <= 0) {
            errno = ENOSPC;
            return -1;
        }
        const long written = ::write(fd, data, static_cast<size_t>(n));
        if (written > 0) taken += written;
        return written;
    };
    PulseRecorder recorder("wavomer-tests", "unix:/nonexistent/wavomer/native", options);
    CountingDelegate delegate;
    recorder.setDelegate(&delegate);
    recorder.configAudioDevice(std::nullopt);
    const std::string path = dir.file("silence.wav");
    recorder.setOutputPath(path);
    recorder.start();
    EXPECT_TRUE(recorder.isRecording());
    ASSERT_TRUE(eventually([&] { return !delegate.failed().empty(); }));
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_TRUE(recorder.isStart());
    recorder.stop();
    ASSERT_EQ(delegate.failed().size(), 1u);
    EXPECT_NE(delegate.failed()[0].find("the disk is full"), std::string::npos) << delegate.failed()[0];
    const Recorded recorded = readRecording(path);
    EXPECT_EQ(recorded.channels, 2);
    EXPECT_EQ(recorded.frames(), room / 8);
    for (float v : recorded.samples) ASSERT_EQ(v, 0.0f);
    EXPECT_EQ(recorder.audioLevel(), 0.0);
}

// Every call returns at once while the worker waits for a server that never answers.
void expectNothingBlocks(const std::string& server) {
    test::ScratchDir dir;
    const auto begin = std::chrono::steady_clock::now();
    PulseRecorder recorder("wavomer-tests", server);
    CountingDelegate delegate;
    recorder.setDelegate(&delegate);
    EXPECT_TRUE(recorder.audioInputDevices().empty());
    EXPECT_FALSE(recorder.computerAudioInputDevice());
    recorder.configAudioDevice(RecordDevice{"Somewhere", "some_source", 2});
    recorder.start();
    recorder.configAudioDevice(std::nullopt);
    const std::string path = dir.file("silence.wav");
    recorder.setOutputPath(path);
    recorder.start();
    EXPECT_TRUE(recorder.isStart());
    EXPECT_EQ(recorder.audioLevel(), 0.0);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_LT(took, 0.5) << "a call waited for the server";

    // The silent entry records silence meanwhile, at real time.
    ASSERT_TRUE(eventually([&] { return recorder.recordFileLength() > 0.5; }));
    const auto stopping = std::chrono::steady_clock::now();
    recorder.stop();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - stopping).count(), 0.5);
    EXPECT_FALSE(recorder.waitUntilSettled(6.0));
    EXPECT_TRUE(recorder.audioInputDevices().empty());
    EXPECT_FALSE(recorder.computerAudioInputDevice());
    const Recorded recorded = readRecording(path);
    EXPECT_EQ(recorded.channels, 2);
    EXPECT_GT(recorded.frames(), 44100 / 2);
    for (float v : recorded.samples) ASSERT_EQ(v, 0.0f);
    EXPECT_TRUE(delegate.failed().empty());
}

TEST(PulseRecorderWithoutServer, AMissingServerLeavesTheListsEmptyAndBlocksNothing) {
    expectNothingBlocks("unix:/nonexistent/wavomer/native");
}

TEST(PulseRecorderWithoutServer, AHungServerLeavesTheListsEmptyAndBlocksNothing) {
    test::ScratchDir dir;
    const std::string socketPath = dir.file("hung");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);  // and never accepts
    expectNothingBlocks("unix:" + socketPath);
    ::close(listener);
}

TEST_F(PulseRecorderTest, ARecordingKilledWithSigkillIsRepairedAtTheNextStart) {
    auto player = playTone(12.0);
    const std::string path = dir.file("killed.wav");
    Child probe({WAVOMER_RECORD_PROBE, path}, true);
    ASSERT_EQ(probe.readLine(), "recording");
    const auto started = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(3s);
    const double recorded = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    probe.kill(SIGKILL);
    const int status = probe.wait();
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    ASSERT_EQ(findUnfinishedRecordings(dir.path()), std::vector<std::string>{path});
    const auto repaired = repairUnfinishedRecording(path);
    ASSERT_TRUE(repaired.ok()) << repaired.error();
    EXPECT_EQ(repaired->channels, 2);
    EXPECT_GE(repaired->seconds(), recorded - 1.0 - 0.25);
    std::string probed;
    test::runCommand("ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,channels,duration_ts "
                     "-of csv=p=0 " + test::shellQuote(path), &probed);
    EXPECT_EQ(test::lines(probed), std::vector<std::string>{"pcm_f32le,2," + std::to_string(repaired->frames)});
    const Recorded back = readRecording(path);
    EXPECT_EQ(back.frames(), repaired->frames);
    expectTone(back.channel(0, 0.3));
    forgetUnfinishedRecording(path);
    EXPECT_TRUE(findUnfinishedRecordings(dir.path()).empty());
}

}  // namespace
}  // namespace wavomer
