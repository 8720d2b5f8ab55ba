#include "util/PathUtil.h"

#include <cctype>

#include <sys/stat.h>
#include <unistd.h>

namespace wavomer {

namespace {

std::string withoutTrailingSlashes(const std::string& path) {
    std::string out = path;
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

}  // namespace

std::string lastPathComponent(const std::string& path) {
    std::string trimmed = withoutTrailingSlashes(path);
    if (trimmed == "/") return trimmed;
    size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string stringByDeletingLastPathComponent(const std::string& path) {
    std::string trimmed = withoutTrailingSlashes(path);
    if (trimmed == "/") return trimmed;
    size_t slash = trimmed.rfind('/');
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    std::string folder = trimmed.substr(0, slash);
    return withoutTrailingSlashes(folder);
}

std::string pathExtension(const std::string& path) {
    std::string last = lastPathComponent(path);
    size_t dot = last.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == last.size()) return {};
    return last.substr(dot + 1);
}

std::string lowercasePathExtension(const std::string& path) {
    std::string extension = pathExtension(path);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

std::string stringByDeletingPathExtension(const std::string& path) {
    std::string trimmed = withoutTrailingSlashes(path);
    std::string extension = pathExtension(trimmed);
    if (extension.empty()) return trimmed;
    return trimmed.substr(0, trimmed.size() - extension.size() - 1);
}

std::string stringByAppendingPathComponent(const std::string& folder, const std::string& component) {
    size_t first = component.find_first_not_of('/');
    std::string piece = first == std::string::npos ? std::string() : component.substr(first);
    if (folder.empty()) return piece;
    std::string base = withoutTrailingSlashes(folder);
    if (piece.empty()) return base;
    if (base == "/") return "/" + piece;
    return base + "/" + piece;
}

bool fileIsReadable(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

}  // namespace wavomer
