// EffectKernel: the signal processing of one channel of an effect unit. The unit
// (EffectUnit) owns one kernel per channel, holds the parameter values, and
// calls the kernel to prepare, to take new parameters, and to process.
//
// Threads: prepare() runs on the thread that initialises the unit; configure(),
// reset() and process() run on the unit's render thread.
//
// Invariants: prepare() is the only member that allocates. process() works
// sample by sample on the kernel's own state, so splitting a stream into blocks
// of any size gives the same output; input and output may be the same buffer.
#pragma once

#include <cstdint>
#include <vector>

namespace wavomer {

// A unit's parameter values by id, with each parameter's range. Values are kept
// clamped into their range.
class EffectParameters {
public:
    struct Entry {
        uint32_t id;
        double minimum;
        double maximum;
        float value;
    };

    EffectParameters() = default;
    explicit EffectParameters(std::vector<Entry> entries) : entries_(std::move(entries)) {}

    // Adds a parameter (its default clamped into range); an id already present is left alone.
    void add(uint32_t id, double minimum, double maximum, double defaultValue);
    bool contains(uint32_t id) const noexcept { return find(id) != nullptr; }
    // The value of id; 0 for an id the unit does not have.
    float value(uint32_t id) const noexcept;
    // False for an unknown id or a value that is not a number.
    bool set(uint32_t id, float value) noexcept;
    const std::vector<Entry>& entries() const noexcept { return entries_; }

private:
    const Entry* find(uint32_t id) const noexcept;
    std::vector<Entry> entries_;
};

class EffectKernel {
public:
    virtual ~EffectKernel() = default;
    // Allocates every buffer the kernel will ever need at this rate.
    virtual void prepare(double sampleRate) = 0;
    // Recomputes coefficients from the parameters; never allocates.
    virtual void configure(const EffectParameters& parameters) noexcept = 0;
    // Forgets all signal history (delay lines, filter memories, envelopes).
    virtual void reset() noexcept = 0;
    virtual void process(const float* input, float* output, int32_t frames) noexcept = 0;
    // The delay the kernel puts on its input, for the unit's latency property.
    virtual double latencySeconds(const EffectParameters& parameters, double sampleRate) const noexcept { return 0.0; }
    // Takes over other's signal state; other is a kernel of the same kind, prepared alike.
    virtual void copyStateFrom(const EffectKernel& other) noexcept = 0;
};

// Gives a kernel class its copyStateFrom by copy assignment. Every buffer a
// kernel holds is sized in prepare(), so assigning between two kernels prepared
// alike reuses the storage and allocates nothing.
template <class Derived>
class EffectKernelBase : public EffectKernel {
public:
    void copyStateFrom(const EffectKernel& other) noexcept override {
        *static_cast<Derived*>(this) = static_cast<const Derived&>(other);
    }
};

}  // namespace wavomer
