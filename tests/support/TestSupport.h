// Helpers shared by the tests: scratch folders, WAV files written by our own code,
// media encoded with the ffmpeg command, and running commands.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// An operation's Outcome succeeded; the failure's message otherwise.
#define ASSERT_OK(expression)                                  \
    do {                                                       \
        const auto outcome_ = (expression);                    \
        ASSERT_TRUE(outcome_.ok()) << outcome_.error();        \
    } while (false)
#define EXPECT_OK(expression)                                  \
    do {                                                       \
        const auto outcome_ = (expression);                    \
        EXPECT_TRUE(outcome_.ok()) << outcome_.error();        \
    } while (false)

namespace wavomer::test {

// A fresh folder under the system temporary folder, removed when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Points HOME and TMPDIR at the given folders and clears XDG_CONFIG_HOME and
// XDG_CACHE_HOME while it lives; puts all four back as they were when it goes.
class HomeEnvironment {
public:
    HomeEnvironment(const std::string& home, const std::string& tmp);
    ~HomeEnvironment();
    HomeEnvironment(const HomeEnvironment&) = delete;
    HomeEnvironment& operator=(const HomeEnvironment&) = delete;

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// Writes a 16-bit or 32-bit-float PCM WAV file with the given interleaved samples.
void writeWavFloat(const std::string& path, int channels, int sampleRate, const std::vector<float>& interleaved);
void writeWav16(const std::string& path, int channels, int sampleRate, const std::vector<float>& interleaved);

// A stereo WAV of a sine at hertz and amplitude, both channels alike, at 44100 Hz.
void writeStereoSineWav(const std::string& path, double seconds, double hertz, float amplitude);
// The power of samples (at 44100 Hz) at hertz, by Goertzel's filter: a tone shows as its
// frequency standing far above the others.
double powerAt(const std::vector<float>& samples, double hertz);

// Runs a shell command; answers its exit status and fills out with standard output.
int runCommand(const std::string& command, std::string* out = nullptr, std::string* err = nullptr);

// Encodes media with the ffmpeg command (arguments after "ffmpeg -v error -y").
bool ffmpeg(const std::string& arguments);

std::string shellQuote(const std::string& s);

// The lines of a command's output, each without its newline.
std::vector<std::string> lines(const std::string& text);

// A file's bytes; empty when it cannot be read.
std::string readFile(const std::string& path);

// A process that runs until release() (or the destructor): a live holder of a lock.
class LiveProcess {
public:
    LiveProcess();
    ~LiveProcess() { release(); }
    LiveProcess(const LiveProcess&) = delete;
    LiveProcess& operator=(const LiveProcess&) = delete;
    pid_t pid() const { return pid_; }
    // Writes folder's project lock naming this process as the running test program.
    void holdProjectLock(const std::string& folder) const;
    // Lets the process end and waits for it.
    void release();

private:
    pid_t pid_ = -1;
    int gate_ = -1;
};

// A small tmpfs mounted on folder for one test (root only); empty why() when mounted.
class SmallFilesystem {
public:
    SmallFilesystem(const std::string& folder, const std::string& size);
    ~SmallFilesystem();
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;
    // Why it could not be mounted; "" when it is.
    const std::string& why() const { return why_; }

private:
    std::string folder_;
    std::string why_;
};

}  // namespace wavomer::test
