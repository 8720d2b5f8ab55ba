// FlatIndex: a map from 64-bit keys to 64-bit indices in one flat, open-addressed
// table. The archive writer looks up a value for every reference it writes (about
// two million for a large project); a node-based hash map spends most of that
// time chasing pointers and allocating.
//
// Threads: one owner; no shared state. Invariants: the table is at most half full;
// kEmpty is never stored as an index.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace wavomer::archive {

class FlatIndex {
public:
    static constexpr uint64_t kEmpty = UINT64_MAX;

    // The index stored for key, after storing index when there was none;
    // second is true when it was stored now.
    std::pair<uint64_t, bool> findOrInsert(uint64_t key, uint64_t index) {
        if ((size_ + 1) * 2 > slots_.size()) grow();
        const size_t mask = slots_.size() - 1;
        for (size_t i = mix(key) & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.index == kEmpty) {
                slot = {key, index};
                ++size_;
                return {index, true};
            }
            if (slot.key == key) return {slot.index, false};
        }
    }

private:
    struct Slot {
        uint64_t key = 0;
        uint64_t index = kEmpty;
    };

    static uint64_t mix(uint64_t x) {
        x ^= x >> 30;
        x *= 0xBF58476D1CE4E5B9ull;
        x ^= x >> 27;
        x *= 0x94D049BB133111EBull;
        return x ^ (x >> 31);
    }

    void grow() {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
        size_ = 0;
        const size_t mask = slots_.size() - 1;
        for (const Slot& s : old) {
            if (s.index == kEmpty) continue;
            size_t i = mix(s.key) & mask;
            while (slots_[i].index != kEmpty) i = (i + 1) & mask;
            slots_[i] = s;
            ++size_;
        }
    }

    std::vector<Slot> slots_;
    size_t size_ = 0;
};

}  // namespace wavomer::archive
