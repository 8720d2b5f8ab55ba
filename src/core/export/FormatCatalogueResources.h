// The format catalogue's property lists as compiled into the core (generated from
// resources/formats by resources/formats/EmbedCatalogue.cmake): "FormatInfo" (the
// format records by title), "FormatData" (the formats by category, with their icon
// names) and "FormatMenus" (the three format menus by name). XML property-list text.
//
// Threads: constant data; any thread.
#pragma once

namespace wavomer {

const char* builtInFormatInfoText();
const char* builtInFormatDataText();
const char* builtInFormatMenusText();

}  // namespace wavomer
