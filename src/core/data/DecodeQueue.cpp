#include "data/DecodeQueue.h"

#include <algorithm>

namespace wavomer {

DecodeQueue::DecodeQueue(size_t slots, size_t samplesPerChunk) {
    slots = std::max<size_t>(slots, 1);
    samplesPerChunk = std::max<size_t>(samplesPerChunk, 1);
    for (size_t i = 0; i < slots; ++i) {
        auto chunk = std::make_unique<Chunk>();
        chunk->samples.resize(samplesPerChunk);
        empty_.push_back(chunk.get());
        storage_.push_back(std::move(chunk));
    }
}

DecodeQueue::Chunk* DecodeQueue::acquire() {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [&] { return stopped_ || !empty_.empty(); });
    if (stopped_) return nullptr;
    Chunk* chunk = empty_.front();
    empty_.pop_front();
    chunk->frames = 0;
    return chunk;
}

void DecodeQueue::push(Chunk* chunk) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        filled_.push_back(chunk);
    }
    changed_.notify_all();
}

void DecodeQueue::close() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        closed_ = true;
    }
    changed_.notify_all();
}

DecodeQueue::Chunk* DecodeQueue::pop() {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [&] { return stopped_ || closed_ || !filled_.empty(); });
    if (stopped_ || filled_.empty()) return nullptr;
    Chunk* chunk = filled_.front();
    filled_.pop_front();
    return chunk;
}

void DecodeQueue::release(Chunk* chunk) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        empty_.push_back(chunk);
    }
    changed_.notify_all();
}

void DecodeQueue::stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopped_ = true;
    }
    changed_.notify_all();
}

}  // namespace wavomer
