// A FIFO fed with a stereo 32-bit float WAV that never ends, so a conversion of it can
// only stop by being cancelled.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace wavomer::test {

// A 44-byte header of a stereo 32-bit float WAV whose data runs on without a stated end.
inline std::string endlessWavHeader() {
    std::string h;
    auto put = [&h](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) h.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    h += "RIFF";
    put(0xffffffffu, 4);
    h += "WAVEfmt ";
    put(16, 4), put(3, 2), put(2, 2), put(44100, 4), put(44100 * 8, 4), put(8, 2), put(32, 2);
    h += "data";
    put(0xffffffffu, 4);
    return h;
}

// A FIFO fed without end, so a conversion of it can only stop by being cancelled.
class EndlessSource {
public:
    explicit EndlessSource(std::string path) : path_(std::move(path)) {
        std::signal(SIGPIPE, SIG_IGN);
        ok_ = ::mkfifo(path_.c_str(), 0600) == 0;
        if (!ok_) return;
        feeder_ = std::thread([this] {
            int fd = ::open(path_.c_str(), O_WRONLY);  // waits for the conversion to open it
            if (fd < 0) return;
            const std::string header = endlessWavHeader();
            bool open = ::write(fd, header.data(), header.size()) == static_cast<ssize_t>(header.size());
            std::vector<float> block(2 * 4096, 0.25f);
            while (open) {
                ssize_t n = ::write(fd, block.data(), block.size() * sizeof(float));
                if (n <= 0) break;  // the reader has gone
                fed_ += n;
            }
            ::close(fd);
        });
    }
    ~EndlessSource() { finish(); }
    bool ok() const { return ok_; }
    // Waits until several seconds of audio have gone through; false when they never did.
    bool waitUntilDecoding() {
        for (int i = 0; i < 4000 && fed_.load() < 8 * 44100 * 8; ++i) ::usleep(5000);
        if (fed_.load() >= 8 * 44100 * 8) return true;
        // Free the feeder: open the reading end ourselves.
        int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
        return false;
    }
    void finish() {
        if (feeder_.joinable()) feeder_.join();
    }

private:
    std::string path_;
    bool ok_ = false;
    std::atomic<int64_t> fed_{0};
    std::thread feeder_;
};

}  // namespace wavomer::test
