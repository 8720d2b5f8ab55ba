#include "model/ID3TagInfo.h"

#include <cmath>
#include <limits>

#include "format/CommonFunction.h"

namespace wavomer {

namespace {

void setOptionalString(std::optional<std::string>& property, const CoderValue& value) {
    if (value.isNull()) {
        property.reset();
        return;
    }
    std::string text;
    if (value.asString(text)) property = std::move(text);
}

CoderValue optionalStringValue(const std::optional<std::string>& property) {
    return property ? CoderValue(*property) : CoderValue();
}

// An unsigned 32-bit number as an archive may hold it: a 32-bit integer carrying the
// same bits, a wider integer, or a whole real.
void setUnsigned(uint32_t& property, const CoderValue& value) {
    if (auto narrow = std::get_if<int32_t>(&value.value)) {
        property = static_cast<uint32_t>(*narrow);
    } else if (auto wide = std::get_if<int64_t>(&value.value)) {
        if (*wide >= std::numeric_limits<int32_t>::min() && *wide <= std::numeric_limits<uint32_t>::max())
            property = static_cast<uint32_t>(*wide);
    } else if (auto real = std::get_if<double>(&value.value)) {
        if (std::isfinite(*real) && *real >= 0.0 && *real <= std::numeric_limits<uint32_t>::max())
            property = static_cast<uint32_t>(*real);
    } else if (auto flag = std::get_if<bool>(&value.value)) {
        property = *flag ? 1 : 0;
    }
}

size_t codePointCount(std::string_view text) {
    size_t count = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++count;
    return count;
}

}  // namespace

std::vector<std::string> ID3TagInfo::allCoderKeys() const {
    return {"image", "title", "artist", "album", "year", "comment", "track",
            "totalTrack", "genre", "group", "composer", "disc", "totalDisc", "bpm"};
}

CoderValue ID3TagInfo::valueForKey(const std::string& key) const {
    if (key == "image") return {};
    if (key == "title") return optionalStringValue(title);
    if (key == "artist") return optionalStringValue(artist);
    if (key == "album") return optionalStringValue(album);
    if (key == "year") return CoderValue(int64_t(year));
    if (key == "comment") return optionalStringValue(comment);
    if (key == "track") return CoderValue(int64_t(track));
    if (key == "totalTrack") return CoderValue(int64_t(totalTrack));
    if (key == "genre") return optionalStringValue(genre);
    if (key == "group") return optionalStringValue(group);
    if (key == "composer") return optionalStringValue(composer);
    if (key == "disc") return CoderValue(int64_t(disc));
    if (key == "totalDisc") return CoderValue(int64_t(totalDisc));
    if (key == "bpm") return CoderValue(int64_t(bpm));
    return {};
}

void ID3TagInfo::setValueForKey(const std::string& key, const CoderValue& value) {
    if (key == "image") {
        if (value.isNull()) image.reset();
    } else if (key == "title") {
        setOptionalString(title, value);
    } else if (key == "artist") {
        setOptionalString(artist, value);
    } else if (key == "album") {
        setOptionalString(album, value);
    } else if (key == "year") {
        setUnsigned(year, value);
    } else if (key == "comment") {
        setOptionalString(comment, value);
    } else if (key == "track") {
        setUnsigned(track, value);
    } else if (key == "totalTrack") {
        setUnsigned(totalTrack, value);
    } else if (key == "genre") {
        setOptionalString(genre, value);
    } else if (key == "group") {
        setOptionalString(group, value);
    } else if (key == "composer") {
        setOptionalString(composer, value);
    } else if (key == "disc") {
        setUnsigned(disc, value);
    } else if (key == "totalDisc") {
        setUnsigned(totalDisc, value);
    } else if (key == "bpm") {
        setUnsigned(bpm, value);
    }
}

uint32_t id3NumberFromFieldText(std::string_view text) {
    if (text.empty()) return 0;
    return static_cast<uint32_t>(CommonFunction::textIntValue(text));
}

std::string id3FieldTextFromNumber(uint32_t number) { return number == 0 ? std::string() : std::to_string(number); }

std::string stringNoneNil(const std::optional<std::string>& value) { return value ? *value : std::string(); }

bool CustomDigitFomatter::isPartialStringValid(std::string_view proposed, std::string_view typed,
                                               std::string* errorDescription) const {
    for (char c : typed) {
        if (c < '0' || c > '9') {
            if (errorDescription) *errorDescription = "not number";
            return false;
        }
    }
    if (maxLength < 0 || codePointCount(proposed) > static_cast<size_t>(maxLength)) return false;
    return true;
}

bool CustomDigitFomatter::isEditValid(std::string_view original, std::string_view proposed,
                                      std::string* errorDescription) const {
    size_t prefix = 0;
    while (prefix < original.size() && prefix < proposed.size() && original[prefix] == proposed[prefix]) ++prefix;
    size_t suffix = 0;
    while (suffix < original.size() - prefix && suffix < proposed.size() - prefix &&
           original[original.size() - 1 - suffix] == proposed[proposed.size() - 1 - suffix])
        ++suffix;
    std::string_view typed = proposed.substr(prefix, proposed.size() - prefix - suffix);
    return isPartialStringValid(proposed, typed, errorDescription);
}

}  // namespace wavomer
