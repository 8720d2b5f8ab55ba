#include "data/AudioSampleData.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace wavomer {

namespace {

constexpr int64_t kHeaderBytes = 24;
// Headers claiming more than this are not sample data files of ours: they would
// overflow the plane arithmetic.
constexpr int32_t kMaxChannels = 4096;
constexpr int64_t kMaxFrames = int64_t(1) << 40;
constexpr int32_t kMaxRate = 10'000'000;

int64_t roundUpToPage(int64_t bytes) {
    return (bytes + AudioSampleData::kPageSize - 1) / AudioSampleData::kPageSize * AudioSampleData::kPageSize;
}

struct Header {
    uint32_t magic;
    int32_t channels;
    int64_t frames;
    int32_t sampleRate;
    int32_t pointsPerSecond;
};
static_assert(sizeof(Header) == kHeaderBytes);

// pread/pwrite until everything moved or the file ends; answers the bytes moved
// or -1 on an error.
int64_t transferAll(bool read, int fd, void* buffer, int64_t size, int64_t position) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    int64_t done = 0;
    while (done < size) {
        ssize_t n = read ? ::pread(fd, bytes + done, static_cast<size_t>(size - done), position + done)
                         : ::pwrite(fd, bytes + done, static_cast<size_t>(size - done), position + done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

// Writes first and then second at position as one run; false where not all of it
// could be written.
bool writeJoined(int fd, const uint8_t* first, int64_t firstSize, const uint8_t* second, int64_t secondSize,
                 int64_t position) {
    ssize_t n;
    do {
        iovec parts[2] = {{const_cast<uint8_t*>(first), static_cast<size_t>(firstSize)},
                          {const_cast<uint8_t*>(second), static_cast<size_t>(secondSize)}};
        n = ::pwritev(fd, parts, 2, position);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return false;
    if (n == firstSize + secondSize) return true;
    // A short write: the rest goes piece by piece.
    const int64_t firstLeft = std::max<int64_t>(firstSize - n, 0);
    const int64_t secondDone = std::max<int64_t>(n - firstSize, 0);
    if (firstLeft > 0 && transferAll(false, fd, const_cast<uint8_t*>(first + n), firstLeft, position + n) != firstLeft)
        return false;
    const int64_t secondLeft = secondSize - secondDone;
    return transferAll(false, fd, const_cast<uint8_t*>(second + secondDone), secondLeft,
                       position + firstSize + secondDone) == secondLeft;
}

}  // namespace

AudioSampleData::~AudioSampleData() { closeData(); }

std::unique_ptr<AudioSampleData> AudioSampleData::dataForWritingAtPath(const std::string& path) {
    return dataPath(path, false);
}

std::unique_ptr<AudioSampleData> AudioSampleData::dataForReadingAtPath(const std::string& path) {
    return dataPath(path, true);
}

std::unique_ptr<AudioSampleData> AudioSampleData::dataPath(const std::string& path, bool read) {
    std::unique_ptr<AudioSampleData> data(new AudioSampleData());
    data->path_ = path;
    data->isReadMode_ = read ? 1 : 0;
    data->fd_for_path = -1;
    data->sample_rate = kDefaultSampleRate;
    data->sample_points_per_second = kDefaultWavePointsPerSecond;
    data->openData();
    if (data->fd_for_path < 0) return nullptr;
    return data;
}

void AudioSampleData::openData() {
    closeData();
    writeError_ = false;
    writeErrorText_.clear();
    reservedStride_ = -1;
    headerValid_ = false;
    writtenEnvelopes_.clear();
    runs_.clear();
    dropReadBuffers();
    if (path_.empty()) return;
    if (isReadMode_) {
        nb_channels_streams = 0;
        frame_per_channels = 0;
        sample_rate = kDefaultSampleRate;
        sample_points_per_second = kDefaultWavePointsPerSecond;
        // Only a regular file is sample data: a FIFO or a device in its place must
        // neither hang the open (O_NONBLOCK) nor be read, and a symbolic link is not
        // followed (the files this program writes are never links, and a link in a
        // project's "Audios" could lead anywhere on the machine).
        fd_for_path = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
        if (fd_for_path < 0) return;
        struct stat info {};
        if (::fstat(fd_for_path, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd_for_path);
            fd_for_path = -1;
            errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
            return;
        }
        Header header{};
        if (transferAll(true, fd_for_path, &header, kHeaderBytes, 0) != kHeaderBytes) return;
        if (header.magic != kMagic) return;
        bool sane = header.channels >= 0 && header.channels <= kMaxChannels && header.frames >= 0 &&
                    header.frames <= kMaxFrames && header.sampleRate > 0 && header.sampleRate <= kMaxRate &&
                    header.pointsPerSecond > 0 && header.pointsPerSecond <= header.sampleRate;
        if (!sane) return;
        nb_channels_streams = header.channels;
        frame_per_channels = header.frames;
        sample_rate = header.sampleRate;
        sample_points_per_second = header.pointsPerSecond;
        headerValid_ = true;
    } else {
        // A regular file is replaced by a new one (other links to the old one keep
        // it); a device or a FIFO is written into and keeps its own permissions.
        struct stat existing {};
        const bool special = ::lstat(path_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) &&
                             !S_ISLNK(existing.st_mode);
        if (!special) ::unlink(path_.c_str());
        fd_for_path = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd_for_path < 0) {
            noteWriteError("cannot create the file");
            return;
        }
        if (!special) ::fchmod(fd_for_path, 0600);
    }
}

bool AudioSampleData::closeData() {
    if (fd_for_path < 0) return !writeError_;
    bool completed = true;
    // A device or a FIFO written in place is neither sized nor removed.
    struct stat opened {};
    const bool regular = ::fstat(fd_for_path, &opened) == 0 && S_ISREG(opened.st_mode);
    if (!isReadMode_) {
        flushRuns();
        int64_t exact = sampleDataSizePerChannel();
        if (reservedStride_ >= 0 && reservedStride_ != exact) movePlanes(reservedStride_, exact, nb_channels_streams);
        reservedStride_ = -1;
        generateSampleWavePoints();
        Header header{kMagic, nb_channels_streams, frame_per_channels, sample_rate, sample_points_per_second};
        if (transferAll(false, fd_for_path, &header, kHeaderBytes, 0) != kHeaderBytes) noteWriteError("cannot write the header");
        int64_t total = kPageSize + int64_t(nb_channels_streams) * (exact + waveDataSizePerChannel());
        if (nb_channels_streams > 0) {
            int32_t last = nb_channels_streams - 1;
            total = std::max(total, offsetForChannel(last, kWaveData) + 4 * wavePointsOfChannel(last));
        }
        if (regular && ::ftruncate(fd_for_path, total) != 0) noteWriteError("cannot size the file");
    }
    if (::close(fd_for_path) != 0 && !isReadMode_) noteWriteError("cannot close the file");
    fd_for_path = -1;
    dropReadBuffers();
    if (!isReadMode_ && writeError_ && regular) {
        ::unlink(path_.c_str());
        completed = false;
    }
    return completed;
}

void AudioSampleData::startWriteBack() {
#ifdef __linux__
    // Pages already on their way are passed over; a failure here is found again by
    // the flush that commits the file.
    if (!isReadMode_ && fd_for_path >= 0) ::sync_file_range(fd_for_path, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

void AudioSampleData::noteWriteError(const char* what) {
    if (!writeError_) writeErrorText_ = std::string(what) + ": " + std::strerror(errno);
    writeError_ = true;
}

double AudioSampleData::duration() const {
    if (sample_rate <= 0) return 0.0;
    return static_cast<double>(frame_per_channels) / sample_rate;
}

int64_t AudioSampleData::sampleDataSizePerChannel() const { return roundUpToPage(4 * frame_per_channels); }

int64_t AudioSampleData::waveDataSizePerChannel() const {
    int64_t wholeSeconds = static_cast<int64_t>(duration() + 0.51);
    return roundUpToPage(wholeSeconds * sample_points_per_second * 4);
}

int64_t AudioSampleData::samplePlaneStride() const {
    return reservedStride_ >= 0 ? reservedStride_ : sampleDataSizePerChannel();
}

int64_t AudioSampleData::offsetForChannel(int32_t channel, int32_t dataType) const {
    if (dataType == kSampleData) return kPageSize + int64_t(channel) * samplePlaneStride();
    if (dataType == kWaveData)
        return kPageSize + int64_t(nb_channels_streams) * samplePlaneStride() + int64_t(channel) * waveDataSizePerChannel();
    return kPageSize;
}

int32_t AudioSampleData::read_or_write(bool read, float* buffer, int32_t channel, int32_t frames, int64_t offset,
                                       int32_t dataType) {
    int64_t position = 4 * offset + offsetForChannel(channel, dataType);
    if (read) return buffer_read(buffer, 4 * int64_t(frames), position);
    return read_or_write_bytes(false, buffer, 4 * int64_t(frames), position);
}

int32_t AudioSampleData::read_or_write_bytes(bool read, void* buffer, int64_t size, int64_t position) {
    if (fd_for_path < 0 || size <= 0 || position < 0) return 0;
    if (read && !runs_.empty()) flushRuns();  // a writer reading back what it wrote
    int64_t moved = transferAll(read, fd_for_path, buffer, size, position);
    if (read) {
        // Past the end of the file there is nothing: the rest reads as zero.
        int64_t got = moved < 0 ? 0 : moved;
        if (got < size) std::memset(static_cast<uint8_t*>(buffer) + got, 0, static_cast<size_t>(size - got));
    } else {
        dropReadBuffers();  // they may hold what was just overwritten
        if (moved != size) noteWriteError("cannot write samples");
    }
    return 0;
}

int32_t AudioSampleData::buffer_read(void* buffer, int64_t len, int64_t position) {
    if (len <= 0) return 0;
    if (data_buffer && position >= data_buffer_offset && (position + len - data_buffer_offset) < kPageSize) {
        std::memcpy(buffer, data_buffer.get() + (position - data_buffer_offset), static_cast<size_t>(len));
        return 0;
    }
    if (len < kPageSize) {
        if (!data_buffer) data_buffer.reset(new uint8_t[kPageSize]());
        data_buffer_offset = position;
        read_or_write_bytes(true, data_buffer.get(), kPageSize, position);
        std::memcpy(buffer, data_buffer.get(), static_cast<size_t>(len));
        return 0;
    }
    if (isReadMode_ && len <= kStreamWindowBytes / 4) {
        // Reads of a few pages, one after another as the sections' read-ahead
        // makes them, are served from a larger window: one system call for
        // several blocks. Only bytes the file really held are kept in it.
        bool inside = streamWindow_ && position >= streamWindowOffset_ &&
                      position + len <= streamWindowOffset_ + streamWindowLength_;
        if (!inside && fd_for_path >= 0 && position >= 0) {
            if (!streamWindow_) streamWindow_.reset(new uint8_t[kStreamWindowBytes]);
            streamWindowOffset_ = position;
            const int64_t got = transferAll(true, fd_for_path, streamWindow_.get(), kStreamWindowBytes, position);
            streamWindowLength_ = std::max<int64_t>(0, got);
            inside = len <= streamWindowLength_;
        }
        if (inside) {
            std::memcpy(buffer, streamWindow_.get() + (position - streamWindowOffset_), static_cast<size_t>(len));
            return 0;
        }
    }
    return read_or_write_bytes(true, buffer, len, position);
}

void AudioSampleData::dropReadBuffers() {
    data_buffer.reset();
    streamWindow_.reset();
    streamWindowLength_ = 0;
}

int32_t AudioSampleData::readSample(float* buffer, int32_t channel, int32_t frames, int64_t offset) {
    if (frames <= 0) return 0;
    int64_t first = std::max<int64_t>(offset, 0);
    int64_t last = std::min<int64_t>(offset + frames, frame_per_channels);
    if (channel < 0 || channel >= nb_channels_streams || first >= last) {
        std::fill(buffer, buffer + frames, 0.0f);
        return 0;
    }
    // Frames before the first or past the last of the channel read as zero.
    std::fill(buffer, buffer + (first - offset), 0.0f);
    std::fill(buffer + (last - offset), buffer + frames, 0.0f);
    return read_or_write(true, buffer + (first - offset), channel, static_cast<int32_t>(last - first), first,
                         kSampleData);
}

int32_t AudioSampleData::writeSample(const float* buffer, int32_t channel, int32_t frames, int64_t offset) {
    if (frames <= 0 || channel < 0 || offset < 0) return 0;
    // Whole decoder blocks may run past the last frame into the plane's padding,
    // never into the next plane.
    int64_t room = samplePlaneStride() / 4 - offset;
    if (room <= 0) return 0;
    int32_t count = static_cast<int32_t>(std::min<int64_t>(frames, room));
    if (fd_for_path < 0) return 0;
    writeSampleBytes(reinterpret_cast<const uint8_t*>(buffer), 4 * int64_t(count),
                     4 * offset + offsetForChannel(channel, kSampleData));
    return 0;
}

void AudioSampleData::writeSampleBytes(const uint8_t* bytes, int64_t size, int64_t position) {
    dropReadBuffers();  // they may hold what is overwritten
    const int64_t end = position + size;
    PendingRun* run = nullptr;
    for (PendingRun& other : runs_) {
        if (other.position + other.length == position) {
            run = &other;
        } else if (other.length > 0 && other.position < end && position < other.position + other.length) {
            // Bytes written again while still gathered: the older ones go first, so
            // that runs never overlap and their order of writing does not matter.
            flushRun(other);
        }
    }
    if (!run) {
        if (runs_.size() < kMaxRuns) {
            runs_.emplace_back();
            run = &runs_.back();
        } else {
            run = &*std::min_element(runs_.begin(), runs_.end(),
                                     [](const PendingRun& a, const PendingRun& b) { return a.lastUse < b.lastUse; });
            flushRun(*run);
        }
        run->position = position;
    }
    run->lastUse = ++runClock_;
    while (size > 0) {
        if (run->length == 0 && run->position % kRunBytes == 0 && size >= kRunBytes) {
            // Whole aligned runs need no gathering.
            const int64_t whole = size / kRunBytes * kRunBytes;
            if (transferAll(false, fd_for_path, const_cast<uint8_t*>(bytes), whole, run->position) != whole)
                noteWriteError("cannot write samples");
            bytes += whole;
            size -= whole;
            run->position += whole;
            continue;
        }
        const int64_t boundary = (run->position / kRunBytes + 1) * kRunBytes;
        const int64_t take = std::min(size, boundary - (run->position + run->length));
        if (run->position + run->length + take == boundary) {
            // The bytes that end the run go out with it as they stand, uncopied.
            if (!writeJoined(fd_for_path, run->bytes.get(), run->length, bytes, take, run->position))
                noteWriteError("cannot write samples");
            run->position = boundary;
            run->length = 0;
            bytes += take;
            size -= take;
            continue;
        }
        if (!run->bytes) run->bytes.reset(new uint8_t[kRunBytes]);
        std::memcpy(run->bytes.get() + run->length, bytes, static_cast<size_t>(take));
        run->length += take;
        bytes += take;
        size -= take;
    }
}

void AudioSampleData::flushRun(PendingRun& run) {
    if (run.length > 0 && transferAll(false, fd_for_path, run.bytes.get(), run.length, run.position) != run.length)
        noteWriteError("cannot write samples");
    run.position += run.length;
    run.length = 0;
}

void AudioSampleData::flushRuns() {
    if (fd_for_path >= 0)
        for (PendingRun& run : runs_) flushRun(run);
    runs_.clear();
}

int32_t AudioSampleData::readWave(float* buffer, int32_t channel, int32_t frames, int64_t offset) {
    if (frames <= 0) return 0;
    std::fill(buffer, buffer + frames, 0.0f);
    if (channel < 0 || channel >= nb_channels_streams) return 0;
    int64_t points = wavePointsOfChannel(channel);
    int64_t first = std::max<int64_t>(offset, 0);
    int64_t last = std::min<int64_t>(offset + frames, points);
    if (first < last)
        read_or_write(true, buffer + (first - offset), channel, static_cast<int32_t>(last - first), first, kWaveData);
    // The points of a started last second that did not fit in the channel's plane
    // were overwritten by the next channel's points when the file was written (the
    // whole envelope of a clip shorter than half a second): they are worked out
    // again from the channel's samples, as the writer did.
    if (sample_rate > 0 && sample_points_per_second > 0) {
        const int64_t seconds = (frame_per_channels + sample_rate - 1) / sample_rate;
        const int64_t computedFirst = std::max(first, points);
        const int64_t computedLast = std::min(offset + frames, seconds * sample_points_per_second);
        std::vector<float> window;
        for (int64_t index = computedFirst; index < computedLast; ++index)
            buffer[index - offset] = computeWavePoint(channel, index, window);
    }
    return 0;
}

float AudioSampleData::computeWavePoint(int32_t channel, int64_t index, std::vector<float>& window) {
    const int32_t rate = sample_rate;
    const int32_t points = sample_points_per_second;
    const double step = static_cast<double>(rate) / points;
    const int32_t j = static_cast<int32_t>(index % points);
    const int32_t start = static_cast<int32_t>(step * j);
    const int32_t count = std::min(static_cast<int32_t>(step), rate - start);
    if (count <= 0) return 0.0f;
    window.resize(static_cast<size_t>(count));
    readSample(window.data(), channel, count, index / points * rate + start);
    return findSampleLevel(window.data(), count);
}

int64_t AudioSampleData::wavePointsOfChannel(int32_t channel) const {
    int64_t capacity = waveDataSizePerChannel() / 4;
    if (channel != nb_channels_streams - 1 || sample_rate <= 0) return capacity;
    // The last channel's points past its plane were written after the planes and
    // are its own; every other channel's would be the next channel's points.
    int64_t seconds = (frame_per_channels + sample_rate - 1) / sample_rate;
    return std::max(capacity, seconds * sample_points_per_second);
}

float AudioSampleData::sampleWaveAtTime(double time, int32_t channel) {
    double index = std::round(time * sample_points_per_second);
    if (!(index >= 0.0) || index >= double(kMaxFrames)) return 0.0f;
    float value = 0.0f;
    readWave(&value, channel, 1, static_cast<int64_t>(index));
    return value;
}

float AudioSampleData::findSampleLevel(const float* values, int32_t count) {
    return static_cast<float>(foldSampleLevel(0.0, values, count));
}

double AudioSampleData::foldSampleLevel(double level, const float* values, int32_t count) {
    int32_t i = 0;
#if defined(__SSE2__)
    // A value only moves the level when it lies above it, so a run of sixteen with
    // none above it changes nothing and is skipped; the test is made on four lanes at
    // once against the largest float not above the level, which a float exceeds
    // exactly when it exceeds the level (NaN exceeds neither and never moves it).
    auto floatBelow = [](double value) {
        float f = static_cast<float>(value);
        return static_cast<double>(f) > value ? std::nextafter(f, -std::numeric_limits<float>::infinity()) : f;
    };
    __m128 below = _mm_set1_ps(floatBelow(level));
    while (i + 16 <= count) {
        const float* run = values + i;
        const __m128 above = _mm_or_ps(_mm_or_ps(_mm_cmpgt_ps(_mm_loadu_ps(run), below),
                                                 _mm_cmpgt_ps(_mm_loadu_ps(run + 4), below)),
                                       _mm_or_ps(_mm_cmpgt_ps(_mm_loadu_ps(run + 8), below),
                                                 _mm_cmpgt_ps(_mm_loadu_ps(run + 12), below)));
        if (_mm_movemask_ps(above) != 0) {
            for (int k = 0; k < 16; ++k) {
                double m = (level + run[k]) / 2.0;
                if (m > level) level = m;
            }
            below = _mm_set1_ps(floatBelow(level));
        }
        i += 16;
    }
#endif
    // The same for runs of eight, each value asked rather than the run's largest
    // taken: a NaN taken first would hide every value after it.
    while (i + 8 <= count) {
        bool above = false;
        for (int k = 0; k < 8; ++k) above |= static_cast<double>(values[i + k]) > level;
        if (above) {
            for (int k = 0; k < 8; ++k) {
                double m = (level + values[i + k]) / 2.0;
                if (m > level) level = m;
            }
        }
        i += 8;
    }
    for (; i < count; ++i) {
        double m = (level + values[i]) / 2.0;
        if (m > level) level = m;
    }
    return level;
}

void AudioSampleData::setWrittenEnvelope(int32_t channel, std::vector<float> points) {
    if (isReadMode_ || channel < 0 || channel >= kMaxChannels) return;
    if (writtenEnvelopes_.size() <= static_cast<size_t>(channel)) writtenEnvelopes_.resize(static_cast<size_t>(channel) + 1);
    writtenEnvelopes_[static_cast<size_t>(channel)] = std::move(points);
}

void AudioSampleData::generateSampleWavePoints() {
    const int32_t rate = sample_rate;
    const int32_t points = sample_points_per_second;
    if (rate <= 0 || points <= 0 || fd_for_path < 0) return;
    const double step = static_cast<double>(rate) / points;
    const int32_t count = static_cast<int32_t>(step);
    std::vector<float> second;
    std::vector<float> levels(static_cast<size_t>(points));
    const int64_t seconds = (frame_per_channels + rate - 1) / rate;
    for (int32_t c = 0; c < nb_channels_streams; ++c) {
        // An envelope made while writing is the same points: written at once, in
        // the same channel order (so the excess runs on and is overwritten alike).
        if (static_cast<size_t>(c) < writtenEnvelopes_.size()) {
            std::vector<float>& given = writtenEnvelopes_[static_cast<size_t>(c)];
            const bool whole = !given.empty() && static_cast<int64_t>(given.size()) == seconds * points;
            if (whole && given.size() <= static_cast<size_t>(INT32_MAX / 4)) {
                read_or_write(false, given.data(), c, static_cast<int32_t>(given.size()), 0, kWaveData);
                std::vector<float>().swap(given);
                continue;
            }
        }
        if (second.empty()) second.resize(static_cast<size_t>(rate));
        int64_t q = 0;
        for (int64_t b = 0; b < frame_per_channels; b += rate, q += points) {
            readSample(second.data(), c, rate, b);
            for (int32_t j = 0; j < points; ++j) {
                int32_t start = static_cast<int32_t>(step * j);
                levels[j] = findSampleLevel(second.data() + start, std::min(count, rate - start));
            }
            // A started second always yields its points even where the plane holds
            // whole seconds only: the excess runs on into the next channel's plane
            // (which that channel's own pass overwrites) or, for the last channel,
            // past the planes; readWave knows which of those points are real.
            read_or_write(false, levels.data(), c, points, q, kWaveData);
        }
    }
}

WavePointBuilder::WavePointBuilder(int32_t sampleRate, int32_t pointsPerSecond)
    : rate_(std::max(sampleRate, 1)),
      perSecond_(std::clamp(pointsPerSecond, 1, std::max(sampleRate, 1))),
      step_(static_cast<double>(rate_) / perSecond_) {}

void WavePointBuilder::feed(const float* values, int64_t count) {
    fed_ += std::max<int64_t>(count, 0);
    const int32_t length = static_cast<int32_t>(step_);
    while (count > 0) {
        if (point_ == perSecond_) {
            // The rest of the second lies in no window.
            const int32_t n = static_cast<int32_t>(std::min<int64_t>(rate_ - offset_, count));
            offset_ += n;
            values += n;
            count -= n;
            if (offset_ == rate_) {
                offset_ = 0;
                point_ = 0;
            }
            continue;
        }
        const int32_t start = static_cast<int32_t>(step_ * point_);
        const int32_t end = start + std::min(length, rate_ - start);
        if (offset_ == start) {
            // Eight or four whole windows from here: their points are made side by side.
            int32_t made = 0;
            if (point_ + 8 <= perSecond_ && foldWindows<8>(values, count, length)) made = 8;
            else if (point_ + 4 <= perSecond_ && foldWindows<4>(values, count, length)) made = 4;
            if (made > 0) {
                // Past the last of them, now the window before point_.
                const int32_t past = static_cast<int32_t>(step_ * (point_ - 1)) + length;
                values += past - offset_;
                count -= past - offset_;
                offset_ = past;
                continue;
            }
        }
        if (offset_ < start) {
            const int32_t n = static_cast<int32_t>(std::min<int64_t>(start - offset_, count));
            offset_ += n;
            values += n;
            count -= n;
            continue;
        }
        if (offset_ < end) {
            const int32_t n = static_cast<int32_t>(std::min<int64_t>(end - offset_, count));
            level_ = AudioSampleData::foldSampleLevel(level_, values, n);
            offset_ += n;
            values += n;
            count -= n;
            if (offset_ < end) continue;
        }
        points_.push_back(static_cast<float>(level_));
        level_ = 0.0;
        ++point_;
    }
}

template <int N>
bool WavePointBuilder::foldWindows(const float* values, int64_t count, int32_t length) {
    // The windows' starts from here, each as long as the first; the level chains run
    // side by side, each exactly as it runs alone: their latency, not the work, is
    // what a single chain waits on.
    const float* r[N];
    for (int k = 0; k < N; ++k) {
        const int32_t start = static_cast<int32_t>(step_ * (point_ + k));
        if (std::min(length, rate_ - start) != length) return false;
        r[k] = values + (start - offset_);
    }
    if (r[N - 1] - values + length > count) return false;
    double l[N] = {};
    int32_t i = 0;
#if defined(__SSE2__)
    if constexpr (N == 8) {
        // Two windows' levels to a register: four values of each window are loaded at
        // once and turned so that a register holds one value of four windows. Adding,
        // halving (exact, as the division by 2 is) and keeping the larger level in
        // pairs gives the scalar chain's doubles bit for bit; _mm_max_pd(m, level)
        // keeps the level where m is not above it, NaN included, as std::max does.
        const __m128d half = _mm_set1_pd(0.5);
        __m128d v[4] = {_mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd(), _mm_setzero_pd()};
        for (; i + 4 <= length; i += 4) {
            __m128 a0 = _mm_loadu_ps(r[0] + i), a1 = _mm_loadu_ps(r[1] + i);
            __m128 a2 = _mm_loadu_ps(r[2] + i), a3 = _mm_loadu_ps(r[3] + i);
            __m128 b0 = _mm_loadu_ps(r[4] + i), b1 = _mm_loadu_ps(r[5] + i);
            __m128 b2 = _mm_loadu_ps(r[6] + i), b3 = _mm_loadu_ps(r[7] + i);
            _MM_TRANSPOSE4_PS(a0, a1, a2, a3);
            _MM_TRANSPOSE4_PS(b0, b1, b2, b3);
            const auto fold = [half](__m128d& level, __m128 pair) {  // the low two lanes of pair
                level = _mm_max_pd(_mm_mul_pd(_mm_add_pd(level, _mm_cvtps_pd(pair)), half), level);
            };
            const auto fold4 = [&](__m128 a, __m128 b) {
                fold(v[0], a);
                fold(v[1], _mm_movehl_ps(a, a));
                fold(v[2], b);
                fold(v[3], _mm_movehl_ps(b, b));
            };
            fold4(a0, b0);
            fold4(a1, b1);
            fold4(a2, b2);
            fold4(a3, b3);
        }
        for (int k = 0; k < 4; ++k) _mm_storeu_pd(l + 2 * k, v[k]);
    }
#endif
    // std::max(level, m) keeps the level unless m lies above it, without a branch.
    for (; i < length; ++i)
        for (int k = 0; k < N; ++k) l[k] = std::max(l[k], (l[k] + r[k][i]) / 2.0);
    for (double level : l) points_.push_back(static_cast<float>(level));
    point_ += N;
    return true;
}

std::vector<float> WavePointBuilder::finish(int64_t frames) {
    const int64_t seconds = frames > 0 ? (frames + rate_ - 1) / rate_ : 0;
    const size_t expected = static_cast<size_t>(seconds * perSecond_);
    // The window being filled holds the samples up to the end and nothing after;
    // the windows past the end are of zeros.
    if (points_.size() < expected && point_ < perSecond_) points_.push_back(static_cast<float>(level_));
    points_.resize(expected, 0.0f);
    level_ = 0.0;
    return std::move(points_);
}

bool WavePointBuilder::append(WavePointBuilder&& next) {
    if (next.rate_ != rate_ || next.perSecond_ != perSecond_ || fed_ % rate_ != 0 || offset_ != 0 || point_ != 0)
        return false;
    points_.insert(points_.end(), next.points_.begin(), next.points_.end());
    offset_ = next.offset_;
    point_ = next.point_;
    level_ = next.level_;
    fed_ += next.fed_;
    next = WavePointBuilder(rate_, perSecond_);
    return true;
}

bool AudioSampleData::reserveFramesPerChannel(int64_t frames, int32_t channelsWithData) {
    if (isReadMode_ || fd_for_path < 0 || frames < 0 || frames > kMaxFrames) return false;
    int64_t stride = samplePlaneStride();
    int64_t needed = roundUpToPage(4 * frames);
    if (needed > stride) {
        // Grow geometrically so that a stream much longer than announced moves its
        // planes only a few times.
        int64_t grown = std::max({needed, stride * 2, roundUpToPage(int64_t(4) * 30 * sample_rate)});
        if (!movePlanes(stride, grown, channelsWithData)) return false;
        reservedStride_ = grown;
    } else if (reservedStride_ < 0) {
        reservedStride_ = stride;
    }
    frame_per_channels = frames;
    return true;
}

AudioSampleData::Shift AudioSampleData::shiftPlanesInPlace(int64_t oldStride, int64_t newStride,
                                                            int32_t channelsWithData) {
#ifdef __linux__
    // Each plane shifted must start inside the file, as one holding samples does.
    struct stat info {};
    if (::fstat(fd_for_path, &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size <= kPageSize + int64_t(channelsWithData - 1) * oldStride)
        return Shift::unsupported;
    const bool shrink = newStride < oldStride;
    const int64_t gap = shrink ? oldStride - newStride : newStride - oldStride;
    for (int32_t c = 1; c < channelsWithData; ++c) {
        // The gap before plane c, where the planes before it already stand at the new stride.
        const int64_t at = kPageSize + c * newStride - (shrink ? 0 : gap);
        if (::fallocate(fd_for_path, shrink ? FALLOC_FL_COLLAPSE_RANGE : FALLOC_FL_INSERT_RANGE, at, gap) != 0)
            return c == 1 ? Shift::unsupported : Shift::failed;
    }
    return Shift::done;
#else
    return Shift::unsupported;
#endif
}

bool AudioSampleData::movePlanes(int64_t oldStride, int64_t newStride, int32_t channelsWithData) {
    if (oldStride == newStride || channelsWithData <= 1) return true;
    flushRuns();  // gathered samples belong at the old places
    dropReadBuffers();
    // Where the file system shifts a file's blocks (ext4, XFS), the gaps between the
    // planes are cut out or opened without a byte copied; elsewhere (or for a block
    // size the strides are not made of) the planes are copied to their new places.
    switch (shiftPlanesInPlace(oldStride, newStride, channelsWithData)) {
        case Shift::done: return true;
        case Shift::failed: noteWriteError("cannot move samples"); return false;
        case Shift::unsupported: break;
    }
    constexpr int64_t kChunk = 1 << 20;
    std::vector<uint8_t> chunk(kChunk);
    auto copyRange = [&](int64_t from, int64_t to, int64_t length) {
        bool backwards = to > from;
        for (int64_t done = 0; done < length;) {
            int64_t n = std::min(kChunk, length - done);
            int64_t at = backwards ? length - done - n : done;
            int64_t got = transferAll(true, fd_for_path, chunk.data(), n, from + at);
            if (got < 0) got = 0;
            if (got < n) std::memset(chunk.data() + got, 0, static_cast<size_t>(n - got));
            if (transferAll(false, fd_for_path, chunk.data(), n, to + at) != n) {
                noteWriteError("cannot move samples");
                return false;
            }
            done += n;
        }
        return true;
    };
    int64_t length = std::min(oldStride, newStride);
    if (newStride > oldStride) {
        for (int32_t c = channelsWithData - 1; c >= 1; --c)
            if (!copyRange(kPageSize + c * oldStride, kPageSize + c * newStride, length)) return false;
    } else {
        for (int32_t c = 1; c < channelsWithData; ++c)
            if (!copyRange(kPageSize + c * oldStride, kPageSize + c * newStride, length)) return false;
    }
    return true;
}

}  // namespace wavomer
