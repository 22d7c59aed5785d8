// Milliseconds for every time-out and wait, so tests can run on a clock of their own.
#pragma once

#include <cstdint>

namespace pellix {

class TickSource {
public:
    virtual ~TickSource() = default;
    // A millisecond count that only grows (it may wrap at 2^32 like a tick counter).
    virtual uint32_t Milliseconds() = 0;
    // Waits about `milliseconds` without using the processor (a fake clock just moves on).
    // Callers that need a full wait check the clock afterwards.
    virtual void Sleep(uint32_t milliseconds) = 0;
};

// The real clock.
class SteadyTickSource final : public TickSource {
public:
    uint32_t Milliseconds() override;
    void Sleep(uint32_t milliseconds) override;
};

// A clock for tests: each read advances it by `step` milliseconds, so loops on the clock
// end without sleeping, and Sleep() moves it on by the time asked. Advance() moves it on by
// hand.
class FakeTickSource final : public TickSource {
public:
    explicit FakeTickSource(uint32_t step = 1, uint32_t start = 1000) : now_(start), step_(step) {}
    uint32_t Milliseconds() override {
        uint32_t t = now_;
        now_ += step_;
        return t;
    }
    void Sleep(uint32_t ms) override { now_ += ms; }
    void Advance(uint32_t ms) { now_ += ms; }
    uint32_t Now() const { return now_; }
    void SetStep(uint32_t step) { step_ = step; }

private:
    uint32_t now_;
    uint32_t step_;
};

} // namespace pellix
