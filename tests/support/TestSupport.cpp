#include "support/TestSupport.h"

#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace wavomer::test {

HomeEnvironment::HomeEnvironment(const std::string& home, const std::string& tmp) {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "XDG_MUSIC_DIR", "XDG_VIDEOS_DIR", "TMPDIR"}) {
        const char* value = std::getenv(name);
        saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
    }
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(tmp);
    setenv("HOME", home.c_str(), 1);
    setenv("TMPDIR", tmp.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_CACHE_HOME");
    unsetenv("XDG_STATE_HOME");
    unsetenv("XDG_MUSIC_DIR");
    unsetenv("XDG_VIDEOS_DIR");
}

HomeEnvironment::~HomeEnvironment() {
    for (const auto& [name, value] : saved_) {
        if (value) setenv(name.c_str(), value->c_str(), 1);
        else unsetenv(name.c_str());
    }
}

ScratchDir::ScratchDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/wavomer-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

namespace {
void put16(std::ofstream& f, uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); }
void put32(std::ofstream& f, uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); }

void writeWavHeader(std::ofstream& f, int channels, int sampleRate, int bits, int format, uint32_t dataBytes) {
    f.write("RIFF", 4);
    put32(f, 36 + dataBytes);
    f.write("WAVEfmt ", 8);
    put32(f, 16);
    put16(f, static_cast<uint16_t>(format));
    put16(f, static_cast<uint16_t>(channels));
    put32(f, static_cast<uint32_t>(sampleRate));
    put32(f, static_cast<uint32_t>(int64_t(sampleRate) * channels * bits / 8));  // damaged headers overflow int
    put16(f, static_cast<uint16_t>(channels * bits / 8));
    put16(f, static_cast<uint16_t>(bits));
    f.write("data", 4);
    put32(f, dataBytes);
}
}  // namespace

void writeWavFloat(const std::string& path, int channels, int sampleRate, const std::vector<float>& interleaved) {
    std::ofstream f(path, std::ios::binary);
    writeWavHeader(f, channels, sampleRate, 32, 3, static_cast<uint32_t>(interleaved.size() * 4));
    f.write(reinterpret_cast<const char*>(interleaved.data()), static_cast<std::streamsize>(interleaved.size() * 4));
}

void writeWav16(const std::string& path, int channels, int sampleRate, const std::vector<float>& interleaved) {
    std::ofstream f(path, std::ios::binary);
    writeWavHeader(f, channels, sampleRate, 16, 1, static_cast<uint32_t>(interleaved.size() * 2));
    for (float v : interleaved) {
        float c = v > 1.0f ? 1.0f : (v < -1.0f ? -1.0f : v);
        put16(f, static_cast<uint16_t>(static_cast<int16_t>(c * 32767.0f)));
    }
}

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

int runCommand(const std::string& command, std::string* out, std::string* err) {
    std::string full = command;
    std::string errFile;
    if (err) {
        char name[] = "/tmp/wavomer-err-XXXXXX";
        int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        errFile = name;
        full += " 2>" + shellQuote(errFile);
    }
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe) return -1;
    std::string collected;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) collected.append(buf, n);
    int status = pclose(pipe);
    if (out) *out = collected;
    if (err) {
        std::ifstream f(errFile);
        err->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
        std::remove(errFile.c_str());
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return -1;
}

LiveProcess::LiveProcess() {
    int gate[2];
    if (::pipe(gate) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        char c;
        ::close(gate[1]);
        while (::read(gate[0], &c, 1) < 0 && errno == EINTR) {
        }
        ::_exit(0);
    }
    ::close(gate[0]);
    gate_ = gate[1];
}

void LiveProcess::holdProjectLock(const std::string& folder) const {
    std::string name = readFile("/proc/self/comm");
    while (!name.empty() && name.back() == '\n') name.pop_back();
    std::ofstream(folder + "/.wavomer.lock") << pid_ << " " << name << "\n";
}

void LiveProcess::release() {
    if (gate_ >= 0) ::close(gate_);
    gate_ = -1;
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

SmallFilesystem::SmallFilesystem(const std::string& folder, const std::string& size) : folder_(folder) {
    if (::geteuid() != 0) {
        why_ = "mounting a small filesystem needs root";
        return;
    }
    std::filesystem::create_directories(folder);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) != 0)
        why_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
}

SmallFilesystem::~SmallFilesystem() {
    if (why_.empty()) ::umount2(folder_.c_str(), MNT_DETACH);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            result.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    return result;
}

bool ffmpeg(const std::string& arguments) {
    return runCommand("ffmpeg -nostdin -v error -y " + arguments) == 0;
}

void writeStereoSineWav(const std::string& path, double seconds, double hertz, float amplitude) {
    std::vector<float> frames(static_cast<size_t>(seconds * 44100) * 2);
    for (size_t i = 0; i < frames.size() / 2; ++i)
        frames[2 * i] = frames[2 * i + 1] =
            static_cast<float>(amplitude * std::sin(2.0 * M_PI * hertz * static_cast<double>(i) / 44100.0));
    writeWavFloat(path, 2, 44100, frames);
}

double powerAt(const std::vector<float>& samples, double hertz) {
    const double k = 2.0 * std::cos(2.0 * M_PI * hertz / 44100.0);
    double s1 = 0.0, s2 = 0.0;
    for (float x : samples) {
        const double next = x + k * s1 - s2;
        s2 = s1;
        s1 = next;
    }
    return s1 * s1 + s2 * s2 - k * s1 * s2;
}

}  // namespace wavomer::test
