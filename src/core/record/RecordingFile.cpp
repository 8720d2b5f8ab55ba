#include "record/RecordingFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace wavomer {

namespace {

// The header this writer lays down, 82 bytes, with the data right after it:
//    0 "RIFF" or "RF64", riff size (0xFFFFFFFF in RF64)
//    8 "WAVE"
//   12 "JUNK" or "ds64", 28: riff size, data size, sample count (64-bit each), table length 0
//   48 "fmt ", 18: IEEE float, channels, rate, byte rate, block align, 32 bits, cbSize 0
//   74 "data", data size (0xFFFFFFFF in RF64)
constexpr int kSampleRate = 44100;
constexpr uint32_t kDs64Payload = 28;
constexpr uint32_t kFmtPayload = 18;
constexpr int64_t kHeaderBytes = 12 + 8 + kDs64Payload + 8 + kFmtPayload + 8;
constexpr uint64_t kMaxPlainRiff = 0xFFFFFFFFull;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;

void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void put64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// A header for `dataBytes` of data; RF64 keeps the 64-bit sizes in ds64.
void makeHeader(uint8_t (&h)[kHeaderBytes], int channels, uint64_t dataBytes, bool rf64) {
    std::memset(h, 0, sizeof h);
    const uint64_t riffSize = static_cast<uint64_t>(kHeaderBytes) - 8 + dataBytes;
    const auto blockAlign = static_cast<uint16_t>(channels * 4);
    std::memcpy(h, rf64 ? "RF64" : "RIFF", 4);
    put32(h + 4, rf64 ? 0xFFFFFFFFu : static_cast<uint32_t>(riffSize));
    std::memcpy(h + 8, "WAVE", 4);
    std::memcpy(h + 12, rf64 ? "ds64" : "JUNK", 4);
    put32(h + 16, kDs64Payload);
    if (rf64) {
        put64(h + 20, riffSize);
        put64(h + 28, dataBytes);
        put64(h + 36, dataBytes / blockAlign);
        put32(h + 44, 0);
    }
    std::memcpy(h + 48, "fmt ", 4);
    put32(h + 52, kFmtPayload);
    put16(h + 56, kFormatFloat);
    put16(h + 58, static_cast<uint16_t>(channels));
    put32(h + 60, kSampleRate);
    put32(h + 64, static_cast<uint32_t>(kSampleRate * blockAlign));
    put16(h + 68, blockAlign);
    put16(h + 70, 32);
    put16(h + 72, 0);
    std::memcpy(h + 74, "data", 4);
    put32(h + 78, rf64 ? 0xFFFFFFFFu : static_cast<uint32_t>(dataBytes));
}

bool writeAllAt(int fd, const void* data, size_t size, off_t offset) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, p, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

// Words for the user about a failed write.
std::string writeReason(int code) {
    switch (code) {
        case ENOSPC: return "the disk is full";
        case EDQUOT: return "the disk quota is used up";
        case EFBIG: return "the file is too large for this disk";
        case EIO: return "the disk could not be written";
        default: return "cannot write the recording";
    }
}

// Writes the marker and answers it open and locked: the lock says the recording is alive,
// and goes by itself when the writing process ends, however it ends.
int writeMarker(const std::string& path, int channels) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    const std::string text = "channels " + std::to_string(channels) + "\nrate " + std::to_string(kSampleRate) + "\n";
    const bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && writeAllAt(fd, text.data(), text.size(), 0) &&
                    ::fsync(fd) == 0;
    if (ok) return fd;
    const int code = errno;
    ::close(fd);
    errno = code;
    return -1;
}

// Whether another writer (in this or another running program) still holds the marker.
bool markerIsHeld(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// Makes a new entry in the folder durable (the marker must survive a power cut too).
void syncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string recordingMarkerPath(const std::string& wavPath) { return wavPath + ".recording"; }

// --- recovery -------------------------------------------------------------------------------

std::vector<std::string> findUnfinishedRecordings(const std::string& folder) {
    std::vector<std::string> found;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return found;
    static const std::string suffix = ".recording";
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string wav = folder + "/" + name.substr(0, name.size() - suffix.size());
        struct stat info {};
        // A marker whose recording never got made holds nothing to recover.
        // One that a running recording still holds is not unfinished.
        if (::stat(wav.c_str(), &info) == 0 && S_ISREG(info.st_mode) && !markerIsHeld(folder + "/" + name))
            found.push_back(wav);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    return found;
}

void forgetUnfinishedRecording(const std::string& wavPath) { ::unlink(recordingMarkerPath(wavPath).c_str()); }

Outcome<UnfinishedRecording> repairUnfinishedRecording(const std::string& wavPath) {
    const int fd = ::open(wavPath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return Failure::system(wavPath, "cannot open the recording", errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    const Failure foreign = Failure::at(wavPath, "not a recording this program can repair");

    struct stat info {};
    if (::fstat(fd, &info) != 0) return Failure::system(wavPath, "cannot read the recording", errno);
    if (!S_ISREG(info.st_mode)) return foreign;
    const auto length = static_cast<uint64_t>(info.st_size);
    auto readAt = [&](void* out, size_t size, uint64_t offset) {
        return offset + size <= length && ::pread(fd, out, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
    };

    uint8_t riff[12];
    if (!readAt(riff, sizeof riff, 0)) return foreign;
    const bool wasRf64 = std::memcmp(riff, "RF64", 4) == 0;
    if ((!wasRf64 && std::memcmp(riff, "RIFF", 4) != 0) || std::memcmp(riff + 8, "WAVE", 4) != 0) return foreign;

    // Walk the chunks up to the data; the data chunk's own size is not trusted (a crash
    // leaves whatever the last header said), the file's length is.
    int64_t slot = -1;  // where a 28-byte JUNK or ds64 payload sits
    int channels = 0;
    uint64_t dataOffset = 0;
    uint64_t at = 12;
    for (int chunks = 0; chunks < 64 && dataOffset == 0; ++chunks) {
        uint8_t head[8];
        if (!readAt(head, sizeof head, at)) return foreign;
        const uint32_t size = get32(head + 4);
        const uint64_t payload = at + 8;
        if (std::memcmp(head, "data", 4) == 0) {
            dataOffset = payload;
            break;
        }
        if ((std::memcmp(head, "JUNK", 4) == 0 || std::memcmp(head, "ds64", 4) == 0) && size >= kDs64Payload &&
            slot < 0)
            slot = static_cast<int64_t>(at);
        if (std::memcmp(head, "fmt ", 4) == 0) {
            uint8_t fmt[40] = {};
            if (size < 16 || !readAt(fmt, std::min<uint32_t>(size, sizeof fmt), payload)) return foreign;
            uint16_t tag = get16(fmt);
            if (tag == kFormatExtensible && size >= 40) tag = get16(fmt + 24);  // the sub-format's first two bytes
            channels = get16(fmt + 2);
            if (tag != kFormatFloat || get16(fmt + 14) != 32 || get32(fmt + 4) != kSampleRate || channels < 1 ||
                channels > 8)
                return Failure::at(wavPath, "not a recording of 32-bit float frames at 44100 Hz");
        }
        at = payload + size + (size & 1u);
    }
    if (dataOffset == 0 || channels == 0) return foreign;

    const uint64_t frameBytes = static_cast<uint64_t>(channels) * 4;
    const uint64_t frames = (length - dataOffset) / frameBytes;
    const uint64_t dataBytes = frames * frameBytes;
    const uint64_t riffSize = dataOffset - 8 + dataBytes;
    const bool rf64 = wasRf64 || riffSize > kMaxPlainRiff;
    if (rf64 && slot < 0) return Failure::at(wavPath, "the recording is too large for a WAV file and has no room for RF64");

    // A partial last frame (the crash came mid-write) is cut off: the header counts whole frames.
    if (dataOffset + dataBytes < length && ::ftruncate(fd, static_cast<off_t>(dataOffset + dataBytes)) != 0)
        return Failure::system(wavPath, "cannot repair the recording", errno);
    uint8_t word[4];
    bool ok = true;
    if (rf64) {
        uint8_t ds64[8 + kDs64Payload] = {};
        std::memcpy(ds64, "ds64", 4);
        put32(ds64 + 4, kDs64Payload);
        put64(ds64 + 8, riffSize);
        put64(ds64 + 16, dataBytes);
        put64(ds64 + 24, frames);
        // The sizes first, then the marks that make a reader look at them.
        ok = writeAllAt(fd, ds64 + 8, kDs64Payload, static_cast<off_t>(slot) + 8);
        put32(word, 0xFFFFFFFFu);
        ok = ok && writeAllAt(fd, word, 4, static_cast<off_t>(dataOffset - 4));
        ok = ok && writeAllAt(fd, ds64, 8, static_cast<off_t>(slot));
        ok = ok && writeAllAt(fd, word, 4, 4) && writeAllAt(fd, "RF64", 4, 0);
    } else {
        put32(word, static_cast<uint32_t>(dataBytes));
        ok = writeAllAt(fd, word, 4, static_cast<off_t>(dataOffset - 4));
        put32(word, static_cast<uint32_t>(riffSize));
        ok = ok && writeAllAt(fd, word, 4, 4);
    }
    if (!ok || ::fdatasync(fd) != 0) return Failure::system(wavPath, "cannot repair the recording", errno);
    UnfinishedRecording result;
    result.path = wavPath;
    result.channels = channels;
    result.frames = static_cast<int64_t>(frames);
    return result;
}

// --- the writer -----------------------------------------------------------------------------

RecordingFileWriter::RecordingFileWriter() : RecordingFileWriter(Options{}) {}

RecordingFileWriter::RecordingFileWriter(Options options) : options_(std::move(options)) {
    if (!options_.write)
        options_.write = [](int fd, const void* data, unsigned long size) -> long { return ::write(fd, data, size); };
}

RecordingFileWriter::~RecordingFileWriter() { (void)finish(); }

std::optional<Failure> RecordingFileWriter::failure() const {
    std::lock_guard guard(mutex_);
    return failure_;
}

void RecordingFileWriter::begin(const std::string& path, int channels) {
    if (thread_.joinable()) (void)finish();
    {
        std::lock_guard guard(mutex_);
        queue_.clear();
        finishing_ = false;
        failure_.reset();
        failed_.store(false);
        framesWritten_.store(0);
        if (channels < 1 || channels > 2) {
            failure_ = Failure::at(path, "a recording has one or two channels, not " + std::to_string(channels));
            failed_.store(true);
            return;
        }
        // append queues frames of this many channels from now on, even before the
        // writer's thread has made the file.
        channels_ = channels;
    }
    running_.store(true);
    thread_ = std::thread([this, path, channels] { run(path, channels); });
}

void RecordingFileWriter::append(const float* interleaved, int64_t frames) {
    if (frames <= 0 || !running_.load() || failed_.load()) return;
    std::lock_guard guard(mutex_);
    if (finishing_ || channels_ == 0) return;
    queue_.emplace_back(interleaved, interleaved + frames * channels_);
    wake_.notify_one();
}

Outcome<> RecordingFileWriter::finish() {
    if (thread_.joinable()) {
        {
            std::lock_guard guard(mutex_);
            finishing_ = true;
        }
        wake_.notify_one();
        thread_.join();
        running_.store(false);
    }
    std::lock_guard guard(mutex_);
    channels_ = 0;
    if (failure_) return *failure_;
    return {};
}

void RecordingFileWriter::run(std::string path, int channels) {
    auto fail = [&](Failure failure) {
        std::lock_guard guard(mutex_);
        if (!failure_) failure_ = std::move(failure);
        failed_.store(true);
        queue_.clear();
    };
    const std::string marker = recordingMarkerPath(path);
    // The marker first: whatever reaches the file has a marker that says it may need repair.
    const int markerFd = writeMarker(marker, channels);
    if (markerFd < 0) {
        const int code = errno;
        ::unlink(marker.c_str());
        fail(Failure::system(path, "cannot start the recording in this folder", code));
    }
    int fd = -1;
    if (!failed_.load()) {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        uint8_t header[kHeaderBytes];
        makeHeader(header, channels, 0, false);
        if (fd < 0 || !writeAllAt(fd, header, sizeof header, 0) ||
            ::lseek(fd, kHeaderBytes, SEEK_SET) != kHeaderBytes || ::fdatasync(fd) != 0) {
            const int code = errno;
            if (fd >= 0) {
                ::close(fd);
                fd = -1;
                ::unlink(path.c_str());
            }
            ::unlink(marker.c_str());
            fail(Failure::system(path, "cannot create the recording", code));
        } else {
            syncFolderOf(path);
        }
    }
    const uint64_t frameBytes = static_cast<uint64_t>(channels) * 4;
    const uint64_t rf64Above = std::min<uint64_t>(options_.rf64DataBytes, kMaxPlainRiff - (kHeaderBytes - 8));
    uint64_t dataBytes = 0;    // bytes of data on the disk, a partial frame included
    uint64_t headerBytes = 0;  // the data size the header on the disk says
    bool rf64 = false;
    bool headerFailed = false;
    const auto syncEvery = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(std::max(0.01, options_.syncSeconds)));
    auto nextSync = std::chrono::steady_clock::now() + syncEvery;

    // The header for the whole frames on the disk, then the data and the header to the disk.
    auto writeHeader = [&](bool flush) {
        if (fd < 0) return;
        const uint64_t whole = dataBytes / frameBytes * frameBytes;
        if (!rf64 && whole > rf64Above) rf64 = true;
        uint8_t header[kHeaderBytes];
        makeHeader(header, channels, whole, rf64);
        if (whole != headerBytes || flush) {
            if (!writeAllAt(fd, header, sizeof header, 0) || (flush && ::fdatasync(fd) != 0)) {
                headerFailed = true;
                fail(Failure::system(path, writeReason(errno), errno));
                return;
            }
            headerBytes = whole;
        }
    };
    auto writeFrames = [&](const std::vector<float>& block) {
        const auto* p = reinterpret_cast<const uint8_t*>(block.data());
        size_t left = block.size() * sizeof(float);
        while (left > 0) {
            const long n = options_.write(fd, p, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                const int code = n == 0 ? ENOSPC : errno;
                // Keep whole frames only, and a header that says exactly those.
                const uint64_t whole = dataBytes / frameBytes * frameBytes;
                if (whole != dataBytes && ::ftruncate(fd, static_cast<off_t>(kHeaderBytes + whole)) == 0)
                    dataBytes = whole;
                framesWritten_.store(static_cast<int64_t>(whole / frameBytes));
                fail(Failure::system(path, writeReason(code), code));
                writeHeader(true);
                return false;
            }
            p += n;
            left -= static_cast<size_t>(n);
            dataBytes += static_cast<uint64_t>(n);
            framesWritten_.store(static_cast<int64_t>(dataBytes / frameBytes));
            // Past the size a plain header can hold, become RF64 before the next sync.
            if (!rf64 && dataBytes > rf64Above) writeHeader(false);
        }
        return true;
    };

    std::deque<std::vector<float>> batch;
    std::unique_lock guard(mutex_);
    while (true) {
        const bool dirty = fd >= 0 && !failed_.load() && dataBytes / frameBytes * frameBytes != headerBytes;
        if (dirty)
            wake_.wait_until(guard, nextSync, [this] { return finishing_ || !queue_.empty(); });
        else
            wake_.wait(guard, [this] { return finishing_ || !queue_.empty(); });
        batch.swap(queue_);
        const bool last = finishing_;
        guard.unlock();
        for (const auto& block : batch) {
            if (failed_.load() || fd < 0) break;
            if (!writeFrames(block)) break;
        }
        batch.clear();
        if (fd >= 0 && !failed_.load() && std::chrono::steady_clock::now() >= nextSync) {
            writeHeader(true);
            nextSync = std::chrono::steady_clock::now() + syncEvery;
        }
        guard.lock();
        if (last && queue_.empty()) break;
    }
    channels_ = 0;
    guard.unlock();

    if (fd >= 0) {
        if (!headerFailed) writeHeader(true);
        if (::close(fd) != 0 && !headerFailed) {
            headerFailed = true;
            fail(Failure::system(path, writeReason(errno), errno));
        }
    }
    // A file whose header could not be made right keeps its marker, so the next start
    // repairs it; otherwise it is complete, even after a failure, and needs no repair.
    if (!headerFailed) {
        ::unlink(marker.c_str());
        syncFolderOf(path);
    }
    if (markerFd >= 0) ::close(markerFd);  // lets go of the lock
}

}  // namespace wavomer
