// wavomer-cli: the headless front end. It drives the same core as the window:
// imports media into sample data files, prints what files hold, and edits projects.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Commands.h"
#include "export/ExportFolds.h"
#include "ExportCommand.h"
#include "PlayCommand.h"
#include "LoudnessCommand.h"
#include "RenderCommand.h"
#include "util/Log.h"
#include "util/Version.h"

namespace wavomer::cli {

void reportFailure(const std::string& file, const std::string& reason) {
    std::fprintf(stderr, "wavomer-cli: %s: %s\n", file.c_str(), reason.c_str());
}

bool parseFiniteNumber(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

bool parseChannelType(const std::string& text, int64_t& type) {
    if (text == "tracks") type = kChannelPerTrack;
    else if (text == "stereo") type = kStereoMix;
    else if (text == "mono") type = kMonoMix;
    else return false;
    return true;
}

}  // namespace wavomer::cli

namespace {

void usage(FILE* to) {
    std::fputs(
        "usage: wavomer-cli COMMAND [ARGS]\n"
        "  import MEDIA -o OUT.data   convert a media file into a sample data file\n"
        "  info FILE.data             print a sample data file's header as JSON\n"
        "  info PROJECT.wvmp          print a project's tracks, sections and markers as JSON\n"
        "  edit [PROJECT.wvmp] SCRIPT run an edit script (a file, or - for standard input)\n"
        "  play PROJECT.wvmp [--from S] [--loop START END] [--seconds N] [--silent]\n"
        "                             play a project, printing the position every 0.08 s\n"
        "  render PROJECT.wvmp -o OUT.f32 [--channels tracks|stereo|mono] [--from S] [--to E]\n"
        "                             write the export fold as raw 32-bit float frames at 44100 Hz\n"
        "  loudness PROJECT.wvmp [--channels tracks|stereo|mono] [--from S] [--to E]\n"
        "                             measure the fold's loudness (LUFS, LU, dBTP, dBFS) as JSON\n"
        "  export PROJECT.wvmp -d DIR [--format NAME|TITLE] [--sample-rate SHOW] [--bit-rate SHOW]\n"
        "         [--channels tracks|stereo|mono] [--split-at-markers] [--name NAME] [--number-files]\n"
        "         [--bit-depth 16|24] [--loudness LUFS [--true-peak DBTP] [--loudness-mode whole|pieces]]\n"
        "         [--chapters] [--jobs N] [--title T] [--artist A]\n"
        "         [--album A] [--year N] [--track N/M] [--disc N/M] [--genre G] [--comment C]\n"
        "         [--composer C] [--group G] [--bpm N] [--cover IMAGE.png]\n"
        "                             export the project, printing each written path\n"
        "  formats PROJECT.wvmp [--channels tracks|stereo|mono]\n"
        "                             list the offered formats as JSON lines\n"
        "  recovery list              the unsaved edits a crash left, as JSON lines\n"
        "  recovery restore ID -o PROJECT.wvmp\n"
        "                             write one as a new project folder, then remove it\n"
        "  recovery discard ID        remove one\n"
        "  -v, --verbose              before or after the command: show the log lines on stderr\n"
        "  -h, --help                 print this help\n"
        "  --version                  print the version\n"
        "Format names: mp3 aac alac flac wav aiff ogg opus wma ac3 mp2 itunes ringtone (or the\n"
        "titles wavomer-cli formats lists). See wavomer-cli(1).\n",
        to);
}

}  // namespace

int main(int argc, char** argv) {
    // The log lines of the core (paths, sections reached, skipped packets) are for
    // whoever asks for them with -v; errors and warnings are printed regardless.
    std::vector<std::string> words;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-v") || !std::strcmp(argv[i], "--verbose")) verbose = true;
        else words.emplace_back(argv[i]);
    }
    wavomer::setLogEnabled(verbose);
    wavomer::setWarningPrefix("wavomer-cli: ");
    if (words.empty()) {
        usage(stderr);
        return 2;
    }
    if (words[0] == "-h" || words[0] == "--help" || words[0] == "help") {
        usage(stdout);
        return 0;
    }
    if (words[0] == "--version") {
        std::printf("wavomer-cli %s\n", wavomer::kVersion);
        return 0;
    }
    const std::string command = words[0];
    wavomer::cli::Arguments args(words.begin() + 1, words.end());
    if (command == "import") return wavomer::cli::runImport(args);
    if (command == "info") return wavomer::cli::runInfo(args);
    if (command == "edit") return wavomer::cli::runEdit(args);
    if (command == "play") return wavomer::cli::runPlay(args);
    if (command == "render") return wavomer::cli::runRender(args);
    if (command == "loudness") return wavomer::cli::runLoudness(args);
    if (command == "export") return wavomer::cli::runExport(args);
    if (command == "formats") return wavomer::cli::runFormats(args);
    if (command == "recovery") return wavomer::cli::runRecovery(args);
    std::fprintf(stderr, "wavomer-cli: unknown command \"%s\"\n", command.c_str());
    usage(stderr);
    return 2;
}
