#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "Commands.h"
#include "Json.h"
#include "ProjectInfo.h"
#include "data/AudioSampleData.h"

namespace wavomer::cli {

namespace {

bool isProjectPath(const std::string& path) {
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    const std::string plist = "project.plist";
    return path.size() >= plist.size() && path.compare(path.size() - plist.size(), plist.size(), plist) == 0;
}

int sampleDataInfo(const std::string& path) {
    // The reader follows no links; a link named on the command line is the user's own.
    std::error_code ec;
    std::filesystem::path resolved = std::filesystem::canonical(path, ec);
    auto data = AudioSampleData::dataForReadingAtPath(ec ? path : resolved.string());
    if (!data) {
        reportFailure(path, std::strerror(errno));
        return 1;
    }
    if (!data->hasValidHeader()) {
        reportFailure(path, "not a sample data file");
        return 1;
    }
    JsonObject json;
    json.add("channels", static_cast<int64_t>(data->channels()));
    json.add("frames", data->framePerChannel());
    json.add("sampleRate", static_cast<int64_t>(data->sampleRate()));
    json.add("pointsPerSecond", static_cast<int64_t>(data->wavPointsPerSecond()));
    json.add("duration", data->duration());
    std::printf("%s\n", json.str().c_str());
    return 0;
}

}  // namespace

int runInfo(const Arguments& args) {
    if (args.size() != 1) {
        std::fputs("usage: wavomer-cli info FILE.data | PROJECT.wvmp\n", stderr);
        return 2;
    }
    if (isProjectPath(args[0])) return runProjectInfo(args[0]);
    return sampleDataInfo(args[0]);
}

}  // namespace wavomer::cli
