// ID3TagInfo: the tag set of one project window (title, artist, cover picture, track
// and disc numbers, ...) that every exported file receives. It lives only in memory:
// it starts empty when the window opens and is saved neither with the project nor with
// the user configuration. A number of 0 means "not set" and shows as an empty field.
//
// Threads: edited on the main thread by the tag dialog; the export thread reads it
// after the dialog has closed.
//
// Also here, because the dialog and the command-line tool share them: the rule of the
// dialog's numeric fields (CustomDigitFomatter) and the conversions between a field's
// text and the tag set's numbers and strings.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "coding/CodingBase.h"

namespace wavomer {

class ID3TagInfo : public CodingBase {
public:
    // The cover picture as PNG data (every picture is re-encoded as PNG before it
    // gets here); none when there is no picture.
    std::optional<std::vector<uint8_t>> image;
    std::optional<std::string> title;
    std::optional<std::string> artist;
    std::optional<std::string> album;
    uint32_t year = 0;
    std::optional<std::string> comment;
    uint32_t track = 0;
    uint32_t totalTrack = 0;
    std::optional<std::string> genre;
    std::optional<std::string> group;
    std::optional<std::string> composer;
    uint32_t disc = 0;
    uint32_t totalDisc = 0;
    uint32_t bpm = 0;

    std::string coderClassName() const override { return "ID3TagInfo"; }
    // image, title, artist, album, year, comment, track, totalTrack, genre, group,
    // composer, disc, totalDisc, bpm.
    std::vector<std::string> allCoderKeys() const override;
    // Numbers answer as 64-bit integers (they are unsigned 32-bit). The archive has
    // no form for picture data, so "image" answers none: a tag set is never archived.
    CoderValue valueForKey(const std::string& key) const override;
    void setValueForKey(const std::string& key, const CoderValue& value) override;
};

using ID3TagInfoPtr = std::shared_ptr<ID3TagInfo>;

// --- the tag dialog's fields --------------------------------------------------------

// A field's number: 0 for empty text, otherwise the text's integer value (leading
// white space and sign allowed, read up to the first non-digit, clamped to int32)
// taken as unsigned 32-bit.
uint32_t id3NumberFromFieldText(std::string_view text);
// How a number is shown: 0 as an empty field, any other value in decimal.
std::string id3FieldTextFromNumber(uint32_t number);
// stringNoneNil: the string, or "" for none.
std::string stringNoneNil(const std::optional<std::string>& value);

// The formatter of the six numeric fields. An edit is accepted only when the text it
// leaves has at most maxLength characters and every newly typed character is a
// decimal digit; a non-digit is refused with the error "not number", a too-long text
// without an error. The formatter converts nothing: the field's value is its text.
class CustomDigitFomatter {
public:
    int32_t maxLength = 4;

    // typed: the characters the edit inserts; proposed: the whole text after the edit.
    bool isPartialStringValid(std::string_view proposed, std::string_view typed, std::string* errorDescription) const;
    // The same rule when only the text before and after the edit is known (as a
    // widget's validator sees it): the typed characters are what the edit inserted
    // between the common beginning and the common end of the two texts.
    bool isEditValid(std::string_view original, std::string_view proposed, std::string* errorDescription) const;

    std::string stringForObjectValue(const std::string& value) const { return value; }
    std::string objectValueForString(const std::string& text) const { return text; }
};

}  // namespace wavomer
