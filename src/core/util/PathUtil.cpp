#include "util/PathUtil.h"

#include <sys/stat.h>
#include <unistd.h>

namespace wavomer {

std::string lastPathComponent(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/') --end;
    std::string trimmed = path.substr(0, end);
    if (trimmed == "/") return trimmed;
    size_t slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string pathExtension(const std::string& path) {
    std::string name = lastPathComponent(path);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return {};
    return name.substr(dot + 1);
}

bool fileIsReadable(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), R_OK) == 0;
}

}  // namespace wavomer
