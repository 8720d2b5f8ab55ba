// DecodeQueue: the bounded hand-over between an import's decoding thread and its
// writing thread. A fixed set of chunks (float samples) goes round: the
// decoder takes an empty one, fills it and pushes it; the writer pops it, writes it
// and releases it for filling again. Memory stays what the chunks take, whatever the
// file's length.
//
// Threads: one producer (acquire, push, close) and one consumer (pop, release, stop).
// Either side may end it: the producer closes after its last chunk, the consumer stops
// when it gives up (a cancel, a failed write), which wakes a producer waiting for room.
// A side that has to wait sleeps until half the chunks are ready for it (or the
// hand-over ends), so the two threads take turns in runs of chunks rather than waking
// each other for every one.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace wavomer {

class DecodeQueue {
public:
    struct Chunk {
        std::vector<float> samples;  // the chunk's planes, one after the other
        int32_t frames = 0;          // frames filled
        int64_t position = 0;        // the stream's frame the chunk starts at
        bool last = false;           // the stream ends with this chunk
        bool clean = true;           // nothing was damaged up to the chunk's end
    };

    // `slots` chunks of `samplesPerChunk` floats each (at least one of each).
    DecodeQueue(size_t slots, size_t samplesPerChunk);
    DecodeQueue(const DecodeQueue&) = delete;
    DecodeQueue& operator=(const DecodeQueue&) = delete;

    // Producer: an empty chunk to fill, waiting for one; nullptr once stopped.
    Chunk* acquire();
    // Producer: hands a filled chunk (from acquire) to the consumer.
    void push(Chunk* chunk);
    // Producer: no chunk follows the ones pushed.
    void close();

    // Consumer: the next filled chunk, waiting for one; nullptr when the producer has
    // closed and every chunk was taken, or once stopped.
    Chunk* pop();
    // Consumer: the next filled chunk if one is ready, without waiting; nullptr when
    // none is (pop tells an ended hand-over from a slow one).
    Chunk* tryPop();
    // Consumer: gives a popped chunk back for filling.
    void release(Chunk* chunk);
    // Consumer: ends the hand-over; the producer's acquire answers nullptr from now on.
    void stop();

    size_t slots() const { return storage_.size(); }

private:
    std::mutex lock_;
    std::condition_variable roomMade_;     // the producer waits on it
    std::condition_variable chunkFilled_;  // the consumer waits on it
    size_t resume_ = 1;                    // chunks a waiting side waits for
    std::vector<std::unique_ptr<Chunk>> storage_;
    std::deque<Chunk*> empty_;
    std::deque<Chunk*> filled_;
    bool closed_ = false;
    bool stopped_ = false;
};

}  // namespace wavomer
