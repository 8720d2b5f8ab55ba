// ProjectArchive: the project's timeline and the clipboard payload as keyed
// archives. A project archive ("project.plist") holds the root keys
// "audioTrackArray" (AudioTrack records whose "sectionArray" lists AudioSection
// records) and then "markArray" (MarkerItem records); the clipboard payload holds
// under "root" a list of lists of AudioSection records.
//
// Threads: the functions are pure apart from the decoded sections attaching their
// shared wave data, which the wave cache guards; the project is loaded and saved on
// the main thread.
//
// Invariants: a decode either succeeds with every value of the right type or fails
// with a reason and hands back nothing, so a caller never assigns half a project.
// Values of the wrong type (a track list holding a marker, a section whose start
// time is a string, an effect setting that is not a number) make the archive
// unreadable rather than being dropped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/KeyedArchive.h"
#include "model/AudioSection.h"
#include "model/AudioTrack.h"
#include "model/MarkerItem.h"

namespace wavomer::archive {

inline constexpr const char* kTrackArrayKey = "audioTrackArray";
inline constexpr const char* kMarkArrayKey = "markArray";
inline constexpr const char* kClipboardRootKey = "root";

// Makes AudioTrack, AudioSection and MarkerItem records; any other class name is
// passed to extra (for example the configuration's own records), else unknown.
ClassFactory modelClassFactory(ClassFactory extra = nullptr);

// Why value cannot be the property key of a record of className, or "" when it
// can. Absent values are always accepted: the property keeps its default.
std::string checkModelValue(const std::string& className, const std::string& key, const CoderValue& value);

std::vector<uint8_t> encodeProject(const std::vector<TrackPtr>& tracks, const std::vector<MarkerPtr>& markers);

struct DecodedProject {
    bool hasTracks = false;     // the archive holds "audioTrackArray"
    bool hasMarkers = false;    // the archive holds "markArray"
    std::vector<TrackPtr> tracks;
    std::vector<MarkerPtr> markers;
};

// The failure says why the archive is unreadable.
Outcome<DecodedProject> decodeProject(const uint8_t* bytes, size_t size);

// "project.plist" inside a project folder.
std::string projectArchivePath(const std::string& projectFolder);

// Reads and decodes a project archive file; a failure is about the file.
Outcome<DecodedProject> readProjectFile(const std::string& archivePath);
// Encodes and writes a project archive file atomically; a failure is about the file.
Outcome<> writeProjectFile(const std::string& archivePath, const std::vector<TrackPtr>& tracks,
                           const std::vector<MarkerPtr>& markers);

// The clipboard payload: one list of sections per contributing track.
std::vector<uint8_t> encodeClipboardPayload(const std::vector<SectionArray>& payload);

// One list of sections per contributing track.
Outcome<std::vector<SectionArray>> decodeClipboardPayload(const uint8_t* bytes, size_t size);

}  // namespace wavomer::archive
