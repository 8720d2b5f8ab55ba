#include "coding/CodingBase.h"

#include <cmath>
#include <limits>

namespace wavomer {

bool CoderValue::asDouble(double& out) const {
    if (auto d = std::get_if<double>(&value)) { out = *d; return true; }
    if (auto i = std::get_if<int32_t>(&value)) { out = *i; return true; }
    if (auto l = std::get_if<int64_t>(&value)) { out = static_cast<double>(*l); return true; }
    if (auto b = std::get_if<bool>(&value)) { out = *b ? 1.0 : 0.0; return true; }
    return false;
}

bool CoderValue::asInt32(int32_t& out) const {
    if (auto i = std::get_if<int32_t>(&value)) { out = *i; return true; }
    if (auto l = std::get_if<int64_t>(&value)) {
        if (*l < std::numeric_limits<int32_t>::min() || *l > std::numeric_limits<int32_t>::max()) return false;
        out = static_cast<int32_t>(*l);
        return true;
    }
    if (auto b = std::get_if<bool>(&value)) { out = *b ? 1 : 0; return true; }
    if (auto d = std::get_if<double>(&value)) {
        if (!std::isfinite(*d) || *d < std::numeric_limits<int32_t>::min() ||
            *d > std::numeric_limits<int32_t>::max())
            return false;
        out = static_cast<int32_t>(*d);
        return true;
    }
    return false;
}

bool CoderValue::asBool(bool& out) const {
    if (auto b = std::get_if<bool>(&value)) { out = *b; return true; }
    if (auto i = std::get_if<int32_t>(&value)) { out = *i != 0; return true; }
    if (auto l = std::get_if<int64_t>(&value)) { out = *l != 0; return true; }
    if (auto d = std::get_if<double>(&value)) { out = *d != 0.0; return true; }
    return false;
}

bool CoderValue::asString(std::string& out) const {
    if (auto s = std::get_if<std::string>(&value)) { out = *s; return true; }
    return false;
}

}  // namespace wavomer
