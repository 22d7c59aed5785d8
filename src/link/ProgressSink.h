// Where a chip operation reports how far it has got: the "Device Operation" window in the
// environment, a bar on the terminal in pellix-cli, a recorder in tests.
#pragma once

#include <cstdint>
#include <string>

namespace pellix {

// The bar runs from 0 to 512 in steps of 16: a code transfer steps it 32 times, once after
// every memory size / 32 words, so it ends full whatever the memory size.
inline constexpr int kProgressRange = 512;
inline constexpr int kProgressStep = 16;
inline constexpr int kProgressSteps = kProgressRange / kProgressStep;
inline constexpr char kProgressCaption[] = "Device Operation";
inline constexpr char kProgressIdleText[] = "Working...";

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Bar back to 0, the operation's text, shown and painted at once.
    virtual void ShowProgress(const std::string& text) = 0;
    // One step of kProgressStep.
    virtual void StepProgress() = 0;
    // The operation has ended, well or not. Harmless when nothing is shown.
    virtual void CloseProgress() = 0;
};

// For callers that show nothing.
class NoProgress final : public ProgressSink {
public:
    void ShowProgress(const std::string&) override {}
    void StepProgress() override {}
    void CloseProgress() override {}
};

// Closes the progress however the operation it guards ends, a link error included.
class ProgressGuard {
public:
    explicit ProgressGuard(ProgressSink& sink) : sink_(sink) {}
    ~ProgressGuard() { Close(); }
    // Closes it now rather than at the end of the scope.
    void Close() {
        if (open_) sink_.CloseProgress();
        open_ = false;
    }
    ProgressGuard(const ProgressGuard&) = delete;
    ProgressGuard& operator=(const ProgressGuard&) = delete;

private:
    ProgressSink& sink_;
    bool open_ = true;
};

// Steps a sink 32 times over `total` words as they go by in blocks of any size.
class ProgressStepper {
public:
    ProgressStepper(ProgressSink& sink, int total) : sink_(sink), total_(total) {}
    // `done` words so far; steps as many times as the bar is behind.
    void Reached(int done) {
        if (total_ <= 0) return;
        int due = int(int64_t(done) * kProgressSteps / total_);
        if (due > kProgressSteps) due = kProgressSteps;
        for (; steps_ < due; ++steps_)
            sink_.StepProgress();
    }

private:
    ProgressSink& sink_;
    int total_;
    int steps_ = 0;
};

} // namespace pellix
