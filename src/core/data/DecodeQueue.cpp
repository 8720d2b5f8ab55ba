#include "data/DecodeQueue.h"

#include <algorithm>

namespace wavomer {

DecodeQueue::DecodeQueue(size_t slots, size_t samplesPerChunk) {
    slots = std::max<size_t>(slots, 1);
    samplesPerChunk = std::max<size_t>(samplesPerChunk, 1);
    resume_ = std::max<size_t>(slots / 2, 1);
    for (size_t i = 0; i < slots; ++i) {
        auto chunk = std::make_unique<Chunk>();
        chunk->samples.resize(samplesPerChunk);
        empty_.push_back(chunk.get());
        storage_.push_back(std::move(chunk));
    }
}

DecodeQueue::Chunk* DecodeQueue::acquire() {
    std::unique_lock<std::mutex> guard(lock_);
    if (empty_.empty()) roomMade_.wait(guard, [&] { return stopped_ || empty_.size() >= resume_; });
    if (stopped_) return nullptr;
    Chunk* chunk = empty_.front();
    empty_.pop_front();
    chunk->frames = 0;
    return chunk;
}

void DecodeQueue::push(Chunk* chunk) {
    bool wake;
    {
        std::lock_guard<std::mutex> guard(lock_);
        filled_.push_back(chunk);
        wake = filled_.size() == resume_;
    }
    if (wake) chunkFilled_.notify_one();
}

void DecodeQueue::close() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        closed_ = true;
    }
    chunkFilled_.notify_one();
}

DecodeQueue::Chunk* DecodeQueue::pop() {
    std::unique_lock<std::mutex> guard(lock_);
    if (filled_.empty())
        chunkFilled_.wait(guard, [&] { return stopped_ || closed_ || filled_.size() >= resume_; });
    if (stopped_ || filled_.empty()) return nullptr;
    Chunk* chunk = filled_.front();
    filled_.pop_front();
    return chunk;
}

DecodeQueue::Chunk* DecodeQueue::tryPop() {
    std::lock_guard<std::mutex> guard(lock_);
    if (stopped_ || filled_.empty()) return nullptr;
    Chunk* chunk = filled_.front();
    filled_.pop_front();
    return chunk;
}

void DecodeQueue::release(Chunk* chunk) {
    bool wake;
    {
        std::lock_guard<std::mutex> guard(lock_);
        empty_.push_back(chunk);
        wake = empty_.size() == resume_;
    }
    if (wake) roomMade_.notify_one();
}

void DecodeQueue::stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopped_ = true;
    }
    roomMade_.notify_one();
    chunkFilled_.notify_one();
}

}  // namespace wavomer
