#include "engine/DocumentState.h"

#include <cctype>
#include <filesystem>

#include "util/PathUtil.h"

namespace wavomer {

std::string DocumentState::projectFolderOf(const std::string& path) {
    if (path.empty()) return {};
    // A relative path whose working folder is gone stays relative: opening it then
    // fails as a path that cannot be read, instead of throwing here.
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::absolute(path, ec);
    if (ec) folder = path;
    folder = folder.lexically_normal();
    if (!folder.has_filename()) folder = folder.parent_path();  // a trailing slash
    if (folder.filename() == "project.plist") folder = folder.parent_path();
    std::string text = folder.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

void DocumentState::readFromURL(const std::string& path) {
    isReadFromUrl_ = true;
    readPath_ = projectFolderOf(path);
}

void DocumentState::savedTo(const std::string& folder) { readPath_ = projectFolderOf(folder); }

bool DocumentState::isAt(const std::string& folder) const {
    return readPath_ && *readPath_ == projectFolderOf(folder);
}

std::string DocumentState::displayName() const {
    if (!readPath_) return "Untitled";
    std::string name = lastPathComponent(*readPath_);
    const std::string suffix = std::string(".") + kProjectExtension;
    if (name.size() > suffix.size()) {
        std::string tail = name.substr(name.size() - suffix.size());
        for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (tail == suffix) name.erase(name.size() - suffix.size());
    }
    return name;
}

}  // namespace wavomer
