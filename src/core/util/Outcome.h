// Failure and Outcome: how every operation of the core that can fail says so.
//
// A Failure names what it is about (a file or folder, when there is one), why, in words
// for the user, and the system's error number when the system said why. An operation
// answers an Outcome<T>: its value, or the failure. Outcome<> carries no value.
//
// message() gives the one line the front ends show: "PATH: REASON", with the system's
// own text appended when the reason does not already say it.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace wavomer {

struct Failure {
    std::string path;       // the file or folder the failure is about; empty when none
    std::string reason;     // why, for the user
    int systemError = 0;    // errno, when the system gave the reason
    bool cancelled = false; // stopped on request: nothing to report to the user as an error

    static Failure because(std::string reason) { return {{}, std::move(reason), 0, false}; }
    static Failure at(std::string path, std::string reason, int systemError = 0) {
        return {std::move(path), std::move(reason), systemError, false};
    }
    // The system's error errnoValue about path, described by what was being done.
    static Failure system(std::string path, std::string doing, int errnoValue);
    static Failure cancel(std::string path = {}) { return {std::move(path), "cancelled", 0, true}; }

    // "PATH: REASON" (with the system's text when the reason lacks it).
    std::string message() const;
    // The reason with the system's text, without the path: for a caller that names
    // the file its own way.
    std::string why() const;
};

template <typename T = void>
class [[nodiscard]] Outcome {
public:
    Outcome() requires std::is_default_constructible_v<T> : state_(std::in_place_index<0>) {}
    Outcome(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Outcome(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    bool cancelled() const { return !ok() && failure().cancelled; }

    const T& value() const& { assert(ok()); return std::get<0>(state_); }
    T& value() & { assert(ok()); return std::get<0>(state_); }
    T&& value() && { assert(ok()); return std::get<0>(std::move(state_)); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }

    const Failure& failure() const { assert(!ok()); return std::get<1>(state_); }
    // The failure's message, or "" when the operation succeeded.
    std::string error() const { return ok() ? std::string() : failure().message(); }

private:
    std::variant<T, Failure> state_;
};

template <>
class [[nodiscard]] Outcome<void> {
public:
    Outcome() = default;
    Outcome(Failure failure) : failure_(std::move(failure)) {}

    bool ok() const { return !failure_; }
    explicit operator bool() const { return ok(); }
    bool cancelled() const { return failure_ && failure_->cancelled; }
    const Failure& failure() const { assert(!ok()); return *failure_; }
    std::string error() const { return ok() ? std::string() : failure_->message(); }

private:
    std::optional<Failure> failure_;
};

}  // namespace wavomer
