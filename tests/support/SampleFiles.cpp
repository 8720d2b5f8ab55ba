#include "support/SampleFiles.h"

#include <stdexcept>
#include <vector>

#include "data/AudioSampleData.h"

namespace wavomer::test {

void writeSampleFile(const std::string& path, int channels, int64_t frames,
                     const std::function<float(int channel, int64_t frame)>& value) {
    auto data = AudioSampleData::dataForWritingAtPath(path);
    if (!data) throw std::runtime_error("cannot write " + path);
    data->setFramePerChannel(frames);
    data->setChannels(channels);
    std::vector<float> block(1024);
    for (int c = 0; c < channels; ++c) {
        for (int64_t p = 0; p < frames; p += 1024) {
            for (int i = 0; i < 1024; ++i) block[i] = value(c, p + i);
            data->writeSample(block.data(), c, 1024, p);
        }
    }
    if (!data->closeData()) throw std::runtime_error("cannot complete " + path);
}

float staircase(int channel, int64_t frame) { return static_cast<float>(channel * 1000000 + frame); }

SectionPtr placedSection(const std::string& path, double start, double end, double trackStart, int channel) {
    auto s = AudioSection::sectionWithPath(path);
    s->channel = channel;
    s->startTime = start;
    s->endTime = end;
    s->trackStartTime = trackStart;
    s->trackEndTime = trackStart + (end - start);
    return s;
}

TrackPtr trackOf(SectionArray sections) {
    auto track = std::make_shared<AudioTrack>();
    track->setSectionArray(std::move(sections));
    return track;
}

}  // namespace wavomer::test
