// RealTimeProbe: marks the threads of the sound output while they run real-time code (the
// sound server's write callback, the silent device's clock tick), so tests can check what
// happens there, e.g. count the allocations made on such a thread.
//
// Threads: each thread sees only its own mark. The mark is a plain thread_local flag:
// setting it and reading it cost a store and a load, nothing else, so the scope stays in
// release builds.
//
// Invariants: the mark is set exactly while a RealTimeScope lives on that thread (scopes
// nest).
#pragma once

namespace wavomer::realtime {

inline thread_local bool tRealTimeCode = false;

// Whether the calling thread is inside real-time code of the sound output now.
inline bool inRealTimeCode() noexcept { return tRealTimeCode; }

class RealTimeScope {
public:
    RealTimeScope() noexcept : outer_(tRealTimeCode) { tRealTimeCode = true; }
    ~RealTimeScope() { tRealTimeCode = outer_; }
    RealTimeScope(const RealTimeScope&) = delete;
    RealTimeScope& operator=(const RealTimeScope&) = delete;

private:
    bool outer_;
};

}  // namespace wavomer::realtime
