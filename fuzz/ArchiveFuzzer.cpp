// libFuzzer target for the keyed archive reader. Any input must either decode or be
// refused with a reason, within bounded time and memory. What decodes must survive
// a round trip: writing it and reading it back succeeds, and writing that again
// gives the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "FuzzRecord.h"
#include "archive/KeyedArchive.h"

using namespace wavomer;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const archive::ClassFactory factory = fuzz::fuzzRecordFactory();
    Outcome<archive::RootEntries> first = archive::decodeKeyedArchive(data, size, factory);
    if (!first) {
        if (first.failure().reason.empty()) {
            std::fprintf(stderr, "refused without a reason\n");
            std::abort();
        }
        return 0;
    }
    const std::vector<uint8_t> written = archive::encodeKeyedArchive(*first);
    Outcome<archive::RootEntries> second = archive::decodeKeyedArchive(written.data(), written.size(), factory);
    if (!second) {
        std::fprintf(stderr, "our own output is refused: %s\n", second.error().c_str());
        std::abort();
    }
    if (archive::encodeKeyedArchive(*second) != written) {
        std::fprintf(stderr, "writing what was read back does not give the same bytes\n");
        std::abort();
    }
    return 0;
}
