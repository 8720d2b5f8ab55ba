// The general clipboard on the desktop's clipboard: the engine's typed payload is
// carried as MIME data of the type "application/x-wavomer-" + type.
//
// Threads: main thread (QClipboard is main-thread only).
#pragma once

#include <QString>

#include "engine/EngineHost.h"

namespace wavomer::app {

class QtClipboard : public Clipboard {
public:
    static QString mimeTypeFor(const std::string& type);
    void clearAndSet(const std::string& type, const std::vector<uint8_t>& data) override;
    bool hasType(const std::string& type) const override;
    std::optional<std::vector<uint8_t>> dataForType(const std::string& type) const override;
};

}  // namespace wavomer::app
