// DocumentState: what a project window's document knows of where it lives: the folder
// it was opened from (readPath_, none for a new, untitled project), whether it was
// opened from a path at all (isReadFromUrl_), and the name the window shows. The
// edited mark is the engine's: every user event that changed the project sets it, a
// load and a successful save clear it.
//
// Opening only records the path; reading the archive is the engine's load, which the
// window runs once it is shown. A project named by "project.plist" is its folder.
//
// Threads: main thread.
#pragma once

#include <optional>
#include <string>

namespace wavomer {

class DocumentState {
public:
    static constexpr const char* kProjectExtension = "wvmp";

    // The project folder a path names: the folder itself, or the folder holding the
    // given "project.plist"; made absolute, with "." and ".." and trailing slashes gone.
    static std::string projectFolderOf(const std::string& path);

    // Records the path the document is opened from.
    void readFromURL(const std::string& path);
    // After a save into folder (a Save As included): the document lives there now.
    void savedTo(const std::string& folder);

    const std::optional<std::string>& readPath() const { return readPath_; }
    bool isReadFromUrl() const { return isReadFromUrl_; }
    bool isUntitled() const { return !readPath_; }
    // Whether folder is this document's folder (an already open project).
    bool isAt(const std::string& folder) const;
    // The folder's name without ".wvmp" (in any letter case), or "Untitled".
    std::string displayName() const;

private:
    std::optional<std::string> readPath_;
    bool isReadFromUrl_ = false;
};

}  // namespace wavomer
