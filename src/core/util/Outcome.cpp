#include "util/Outcome.h"

#include <cstring>

namespace wavomer {

Failure Failure::system(std::string path, std::string doing, int errnoValue) {
    return {std::move(path), std::move(doing), errnoValue, false};
}

std::string Failure::why() const {
    std::string text = reason;
    if (systemError != 0) {
        const std::string said = std::strerror(systemError);
        if (text.find(said) == std::string::npos) text += (text.empty() ? "" : ": ") + said;
    }
    return text;
}

std::string Failure::message() const {
    const std::string text = why();
    return path.empty() ? text : (text.empty() ? path : path + ": " + text);
}

}  // namespace wavomer
