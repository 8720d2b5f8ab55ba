// Writes the fuzzer's starting inputs: archives in the binary and XML forms, with
// records, lists, dictionaries, colours, strings in and out of ASCII, and scalars
// both inline and as number objects.
#include <plist/plist.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "FuzzRecord.h"
#include "archive/KeyedArchive.h"

using namespace wavomer;

namespace {

void save(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> asXml(const std::vector<uint8_t>& binary) {
    plist_t root = nullptr;
    plist_from_bin(reinterpret_cast<const char*>(binary.data()), static_cast<uint32_t>(binary.size()), &root);
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    std::vector<uint8_t> out(xml, xml + length);
    plist_to_xml_free(xml);
    plist_free(root);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    auto section = std::make_shared<fuzz::FuzzRecord>("AudioSection");
    section->setValueForKey("audioPath", "/tmp/ImportAudio_1.data");
    section->setValueForKey("channel", int32_t{1});
    section->setValueForKey("startTime", 2.0);
    section->setValueForKey("isMute", true);
    section->setValueForKey("effectDic", CoderDictionary{{"name", "Reverb"}, {"mix", 35.5}});
    auto track = std::make_shared<fuzz::FuzzRecord>("AudioTrack");
    track->setValueForKey("sectionArray", CoderList{CoderObject(section), CoderObject(section)});
    auto marker = std::make_shared<fuzz::FuzzRecord>("MarkerItem");
    marker->setValueForKey("markerTime", 1.5);
    auto config = std::make_shared<fuzz::FuzzRecord>("UserConfig");
    config->setValueForKey("waveColor", CoderColor{0.054901960784313725, 0.5490196078431373, 0.5882352941176471, 1.0});
    config->setValueForKey("a", "Caf\xC3\xA9 \xF0\x9F\x8E\xB5");
    config->setValueForKey("b", int64_t{-5'000'000'000});

    const std::vector<std::pair<std::string, archive::RootEntries>> seeds = {
        {"project", {{"audioTrackArray", CoderList{CoderObject(track)}}, {"markArray", CoderList{CoderObject(marker)}}}},
        {"config", {{"root", CoderObject(config)}}},
        {"clipboard", {{"root", CoderList{CoderList{CoderObject(section)}, CoderList{}}}}},
        {"scalars", {{"a", true}, {"b", int32_t{-1}}, {"c", 0.1}, {"d", "text"}, {"e", CoderValue()}}},
    };
    for (const auto& [name, root] : seeds) {
        const std::vector<uint8_t> binary = archive::encodeKeyedArchive(root);
        save(folder + "/" + name + ".bplist", binary);
        save(folder + "/" + name + ".xml", asXml(binary));
    }
    return 0;
}
