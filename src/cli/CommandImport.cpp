#include <cstdio>

#include "Commands.h"
#include "FFmpegMediaEngine.h"
#include "Json.h"
#include "data/AudioChannelsGenerator.h"

namespace wavomer::cli {

int runImport(const Arguments& args) {
    std::string media;
    std::string output;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size()) output = args[++i];
        else if (media.empty()) media = args[i];
        else {
            std::fprintf(stderr, "wavomer-cli: import: unexpected argument \"%s\"\n", args[i].c_str());
            return 2;
        }
    }
    if (media.empty() || output.empty()) {
        std::fputs("usage: wavomer-cli import MEDIA -o OUT.data\n", stderr);
        return 2;
    }
    FFmpegMediaEngine engine;
    AudioChannelsGenerator generator(engine);
    generator.audioPath = media;
    Outcome<GeneratedAudio> result = generator.generate(output);
    if (!result) {
        const Failure& failure = result.failure();
        reportFailure(failure.path.empty() ? media : failure.path, failure.why());
        return 1;
    }
    if (!result->warning.empty()) reportFailure(media, "partly decoded: " + result->warning);
    JsonObject json;
    json.add("path", output);
    json.add("channels", static_cast<int64_t>(result->channels));
    json.add("frames", result->frames);
    json.add("duration", result->duration);
    std::printf("%s\n", json.str().c_str());
    return 0;
}

}  // namespace wavomer::cli
