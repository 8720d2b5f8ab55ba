// wavomer-cli render: a saved project through the export fold into raw floats; and
// wavomer-cli loudness, against FFmpeg's filter on the same fold, with the meter behind
// it against the EBU's test signals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

#include "EbuR128Meter.h"
#include "support/TestSupport.h"

using wavomer::test::runCommand;
using wavomer::test::ScratchDir;
using wavomer::test::shellQuote;

namespace {

std::vector<float> readFloats(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> values(bytes.size() / 4);
    std::memcpy(values.data(), bytes.data(), values.size() * 4);
    return values;
}

}  // namespace

TEST(CliRender, TheExportFoldIsWrittenAsRawFloatsForEachChannelType) {
    ScratchDir dir;
    std::string env = "XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " ";
    std::string cli = env + shellQuote(WAVOMER_CLI_PATH);
    std::string wav = dir.file("in.wav");
    std::vector<float> frames;
    for (int i = 0; i < 44100 * 3; ++i) {
        frames.push_back(0.5f);
        frames.push_back(0.25f);
    }
    wavomer::test::writeWavFloat(wav, 2, 44100, frames);
    std::string project = dir.file("p.wvmp");
    std::string script = dir.file("s.txt");
    std::ofstream(script) << "import \"" << wav << "\"\nselect-tracks 1 1\nselect 1 2\nmute\nsave " << project << "\n";
    std::string out, err;
    ASSERT_EQ(runCommand(cli + " edit " + shellQuote(script), &out, &err), 0) << err;

    std::string raw = dir.file("out.f32");
    ASSERT_EQ(runCommand(cli + " render " + shellQuote(project) + " -o " + shellQuote(raw), &out, &err), 0) << err;
    EXPECT_EQ(out, "{\"channels\": 2, \"frames\": 132300}\n");
    auto values = readFloats(raw);
    ASSERT_EQ(values.size(), 132300u * 2);
    EXPECT_EQ(values[0], 0.5f);
    EXPECT_EQ(values[1], 0.25f);
    EXPECT_EQ(values[2 * 66150 + 1], 0.0f);  // the muted second of track 1
    EXPECT_EQ(values[2 * 66150], 0.5f);

    ASSERT_EQ(runCommand(cli + " render " + shellQuote(project) + " -o " + shellQuote(raw) +
                             " --channels mono --from 1.5 --to 2.5", &out, &err), 0) << err;
    EXPECT_EQ(out, "{\"channels\": 1, \"frames\": 44100}\n");
    values = readFloats(raw);
    ASSERT_EQ(values.size(), 44100u);
    EXPECT_EQ(values[0], 0.25f);             // (0.5 + 0) / 2 inside the mute
    EXPECT_EQ(values[44099], 0.375f);        // (0.5 + 0.25) / 2 after it

    ASSERT_EQ(runCommand(cli + " render " + shellQuote(project) + " -o " + shellQuote(raw) + " --channels stereo",
                         &out, &err), 0);
    values = readFloats(raw);
    ASSERT_EQ(values.size(), 132300u * 2);
    EXPECT_EQ(values[0], values[1]);

    EXPECT_NE(runCommand(cli + " render " + shellQuote(project) + " -o " + shellQuote(dir.file("no/dir/x.f32")), &out,
                         &err), 0);
    EXPECT_NE(err.find("x.f32"), std::string::npos);
    EXPECT_NE(runCommand(cli + " render " + shellQuote(dir.file("none.wvmp")) + " -o " + shellQuote(raw), &out, &err), 0);
    EXPECT_NE(runCommand(cli + " render " + shellQuote(project) + " -o " + shellQuote(raw) + " --channels quad", &out,
                         &err), 0);
}

TEST(CliLoudness, TheFoldMeasuresAsFfmpegsFilterMeasuresTheSameAudioAndSilenceAsNull) {
    ScratchDir dir;
    const std::string env = "XDG_CACHE_HOME=" + shellQuote(dir.file("cache")) + " ";
    const std::string cli = env + shellQuote(WAVOMER_CLI_PATH);
    // Speech-like material: a tone whose level steps, then a quieter noise.
    const std::string media = dir.file("in.flac");
    ASSERT_TRUE(wavomer::test::ffmpeg("-f lavfi -i \"sine=f=997:d=6,volume='if(lt(t,3),0.3,0.05)':eval=frame\" -f lavfi -i "
                                      "\"anoisesrc=d=6:a=0.1:c=pink\" -filter_complex \"[0][1]concat=n=2:v=0:a=1,"
                                      "aformat=channel_layouts=stereo\" " + shellQuote(media)));
    const std::string project = dir.file("p.wvmp");
    std::ofstream(dir.file("s.txt")) << "import \"" << media << "\"\nsave " << project << "\n";
    std::string out, err;
    ASSERT_EQ(runCommand(cli + " edit " + shellQuote(dir.file("s.txt")), &out, &err), 0) << err;
    ASSERT_EQ(runCommand(cli + " loudness " + shellQuote(project) + " --channels stereo", &out, &err), 0) << err;
    auto number = [&](const std::string& key) {
        const size_t at = out.find("\"" + key + "\": ");
        return at == std::string::npos ? 999.0 : std::stod(out.substr(at + key.size() + 4));
    };
    // FFmpeg's filter over the same fold.
    ASSERT_EQ(runCommand(cli + " render " + shellQuote(project) + " --channels stereo -o " + shellQuote(dir.file("f.f32")),
                         nullptr, &err),
              0);
    std::string report;
    runCommand("ffmpeg -hide_banner -nostats -f f32le -ar 44100 -ac 2 -i " + shellQuote(dir.file("f.f32")) +
                   " -af ebur128=peak=true+sample -f null - 2>&1",
               &report);
    auto figure = [&](const std::string& label, size_t after) {
        const size_t at = report.find(label, after);
        return at == std::string::npos ? -999.0 : std::stod(report.substr(report.find_first_not_of(' ', at + label.size())));
    };
    const size_t summary = report.rfind("Summary:");
    ASSERT_NE(summary, std::string::npos) << report;
    EXPECT_NEAR(number("integrated"), figure("I:", summary), 0.1) << out;
    // FFmpeg's range counts its own histogram, about a unit from the standard's own.
    EXPECT_NEAR(number("range"), figure("LRA:", summary), 1.5) << out;
    EXPECT_NEAR(number("truePeak"), figure("Peak:", report.find("True peak:", summary)), 0.2) << out;
    EXPECT_NEAR(number("samplePeak"), figure("Peak:", report.find("Sample peak:", summary)), 0.1) << out;

    // Nothing to hear measures as nothing: null, never minus infinity or a number.
    std::ofstream(dir.file("q.txt")) << "import \"" << media << "\"\nselect-all\nmute\nsave " << dir.file("q.wvmp") << "\n";
    ASSERT_EQ(runCommand(cli + " edit " + shellQuote(dir.file("q.txt")), &out, &err), 0) << err;
    ASSERT_EQ(runCommand(cli + " loudness " + shellQuote(dir.file("q.wvmp")), &out, &err), 0) << err;
    EXPECT_EQ(out, "{\"integrated\": null, \"range\": null, \"truePeak\": null, \"samplePeak\": null}\n");
    EXPECT_EQ(runCommand(cli + " loudness " + shellQuote(project) + " --channels surround", &out, &err), 2);
}

// --- the EBU's test signals ----------------------------------------------------------------
// Made here as EBU Tech 3341 (loudness metering, "EBU Mode") and Tech 3342 (loudness
// range) describe them: 48 kHz stereo, the same sine on both channels, each part's level
// the sine's peak in dBFS. Each is measured by the meter wavomer-cli loudness and
// Track > Loudness... use, and must give the documents' values within their tolerances.

namespace {

struct Part {
    double dbfs;
    double seconds;
};

// Feeds parts of a sine of frequency Hz (starting at phase degrees) to a stereo meter;
// with fadeSeconds, the whole signal fades in and out over that time (a raised cosine), so
// that no step at its ends rings through the true-peak interpolator.
wavomer::Loudness measureSine(const std::vector<Part>& parts, double frequency = 1000.0, double phaseDegrees = 0.0,
                              double fadeSeconds = 0.0) {
    constexpr int kRate = 48000;
    wavomer::EbuR128Meter meter(2, kRate);
    EXPECT_TRUE(meter.ok());
    const double step = 2.0 * M_PI * frequency / kRate;
    const double phase = phaseDegrees * M_PI / 180.0;
    int64_t total = 0;
    for (const Part& part : parts) total += static_cast<int64_t>(std::llround(part.seconds * kRate));
    const double fade = fadeSeconds * kRate;
    auto envelope = [&](int64_t n) {
        const double edge = static_cast<double>(std::min(n, total - 1 - n));
        return edge >= fade ? 1.0 : 0.5 - 0.5 * std::cos(M_PI * edge / fade);
    };
    std::vector<float> block;
    int64_t n = 0;  // the frame count from the start: one continuous sine through every part
    for (const Part& part : parts) {
        const double amplitude = std::pow(10.0, part.dbfs / 20.0);
        const auto frames = static_cast<int64_t>(std::llround(part.seconds * kRate));
        block.assign(static_cast<size_t>(frames) * 2, 0.0f);
        for (int64_t i = 0; i < frames; ++i, ++n) {
            const auto value =
                static_cast<float>(amplitude * envelope(n) * std::sin(phase + step * static_cast<double>(n)));
            block[static_cast<size_t>(2 * i)] = block[static_cast<size_t>(2 * i + 1)] = value;
        }
        EXPECT_TRUE(meter.addFrames(block.data(), frames));
    }
    return meter.result();
}

}  // namespace

TEST(LoudnessStandard, Tech3341IntegratedLoudnessSignalsGiveTheirPublishedValues) {
    // Tech 3341 cases 1 to 5, 1 kHz; each must read -23.0 LUFS (case 2: -33.0), +-0.1 LU.
    const struct {
        const char* signal;
        std::vector<Part> parts;
        double lufs;
    } cases[] = {
        {"case 1: -23 dBFS for 20 s", {{-23.0, 20.0}}, -23.0},
        {"case 2: -33 dBFS for 20 s", {{-33.0, 20.0}}, -33.0},
        {"case 3: -36, -23, -36 dBFS for 10, 60, 10 s", {{-36.0, 10.0}, {-23.0, 60.0}, {-36.0, 10.0}}, -23.0},
        {"case 4: -72, -36, -23, -36, -72 dBFS for 10, 10, 60, 10, 10 s (the absolute gate)",
         {{-72.0, 10.0}, {-36.0, 10.0}, {-23.0, 60.0}, {-36.0, 10.0}, {-72.0, 10.0}}, -23.0},
        {"case 5: -26, -20, -26 dBFS for 20, 20.1, 20 s", {{-26.0, 20.0}, {-20.0, 20.1}, {-26.0, 20.0}}, -23.0},
    };
    for (const auto& c : cases) {
        const wavomer::Loudness loudness = measureSine(c.parts);
        ASSERT_TRUE(loudness.integrated) << c.signal;
        EXPECT_NEAR(*loudness.integrated, c.lufs, 0.1) << c.signal;
    }
}

TEST(LoudnessStandard, Tech3341TruePeakSignalsGiveTheirPublishedValues) {
    // Tech 3341 cases 15 to 19: sines at a quarter, sixth or eighth of the sample rate
    // whose samples miss their peak by the phase given; the true peak must read the sine's
    // peak within +0.2 / -0.4 dB. They fade in and out over 50 ms: a sine that starts or
    // stops on a sample far from 0 is a step, whose ringing is no part of the test.
    const struct {
        const char* signal;
        double frequency, phase, peak;
    } cases[] = {
        {"case 15: fs/4, 0 degrees, -6 dBTP", 12000.0, 0.0, -6.0},
        {"case 16: fs/4, 45 degrees, -6 dBTP", 12000.0, 45.0, -6.0},
        {"case 17: fs/6, 60 degrees, -6 dBTP", 8000.0, 60.0, -6.0},
        {"case 18: fs/8, 67.5 degrees, -6 dBTP", 6000.0, 67.5, -6.0},
        {"case 19: fs/4, 45 degrees, +3 dBTP (samples at 0 dBFS)", 12000.0, 45.0, 3.0},
    };
    for (const auto& c : cases) {
        const wavomer::Loudness loudness = measureSine({{c.peak, 3.0}}, c.frequency, c.phase, 0.05);
        ASSERT_TRUE(loudness.truePeak) << c.signal;
        EXPECT_LE(*loudness.truePeak, c.peak + 0.2) << c.signal;
        EXPECT_GE(*loudness.truePeak, c.peak - 0.4) << c.signal;
    }
    // The samples of case 16 stand at sin 45 degrees of the peak: 3 dB under it.
    const wavomer::Loudness shifted = measureSine({{-6.0, 3.0}}, 12000.0, 45.0, 0.05);
    ASSERT_TRUE(shifted.samplePeak);
    EXPECT_NEAR(*shifted.samplePeak, -9.0, 0.05);
}

TEST(LoudnessStandard, Tech3342LoudnessRangeSignalsGiveTheirPublishedValues) {
    // Tech 3342 cases 1 to 4, 1 kHz, 20 s a part; each within +-1 LU of its range.
    const struct {
        const char* signal;
        std::vector<Part> parts;
        double lu;
    } cases[] = {
        {"case 1: -20 then -30 dBFS", {{-20.0, 20.0}, {-30.0, 20.0}}, 10.0},
        {"case 2: -20 then -15 dBFS", {{-20.0, 20.0}, {-15.0, 20.0}}, 5.0},
        {"case 3: -40 then -20 dBFS", {{-40.0, 20.0}, {-20.0, 20.0}}, 20.0},
        {"case 4: -50, -35, -20, -35, -50 dBFS",
         {{-50.0, 20.0}, {-35.0, 20.0}, {-20.0, 20.0}, {-35.0, 20.0}, {-50.0, 20.0}}, 15.0},
    };
    for (const auto& c : cases) {
        const wavomer::Loudness loudness = measureSine(c.parts);
        ASSERT_TRUE(loudness.range) << c.signal;
        EXPECT_NEAR(*loudness.range, c.lu, 1.0) << c.signal;
    }
}
