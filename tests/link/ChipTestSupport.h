// A DeviceUnit on the in-process virtual key, a progress that records what it was told, and
// the key's request log cut into its exchanges.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/DeviceUnit.h"
#include "link/LinkTestSupport.h"
#include "target/AssemblyRecord.h"

namespace pellix::test {

struct RecordedProgress final : ProgressSink {
    void ShowProgress(const std::string& text) override {
        shown.push_back(text);
        stepsAfter.push_back(0);
        bar = 0;
        open = true;
    }
    void StepProgress() override {
        ++steps;
        if (!stepsAfter.empty()) ++stepsAfter.back();
        bar += kProgressStep;
        if (onStep) onStep();
    }
    void CloseProgress() override {
        ++closes;
        open = false;
    }

    std::vector<std::string> shown;
    std::vector<int> stepsAfter; // steps while each text was shown
    int steps = 0;
    int closes = 0;
    int bar = 0;
    bool open = false;
    std::function<void()> onStep;
};

struct ChipRig : SimRig {
    explicit ChipRig(int family = 0) : SimRig(family), record(std::make_unique<AssemblyRecord>()) {
        record->StartUp();
        record->deviceFamily = uint8_t(family);
        record->ClearImage();
        record->transfer = record->assembled;
    }
    std::unique_ptr<AssemblyRecord> record;
    RecordedProgress progress;
    IrcCalibration irc;
    DeviceUnit device{link, *record, progress, prompter, irc};

    // `assembled` and `transfer` both: code word a is `pattern(a)`, marked as written.
    void SetImage(uint16_t fusex, uint16_t fuse, const std::function<uint16_t(int)>& pattern) {
        ProgramImage& image = record->assembled;
        for (int a = 0; a < kCodeWords; ++a)
            image[a] = uint16_t(pattern(a) & 0x0FFF) | kWrittenMark;
        image.SetId("PELLIX");
        image.Fusex() = fusex;
        image.Fuse() = fuse;
        record->transfer = image;
    }
};

// One exchange as the key took it: the command and every byte after it up to the next one.
struct Exchange {
    uint8_t command;
    Bytes bytes; // the command included
};

// Cuts a request log into exchanges by the wire format of each command.
inline std::vector<Exchange> Exchanges(const Bytes& log) {
    std::vector<Exchange> out;
    size_t i = 0;
    auto take = [&](size_t n) {
        Exchange e{log[i], {}};
        size_t end = std::min(log.size(), i + n);
        e.bytes.assign(log.begin() + long(i), log.begin() + long(end));
        i = end;
        out.push_back(std::move(e));
    };
    while (i < log.size()) {
        uint8_t c = log[i];
        switch (c) {
        case kCommandErase:
        case kCommandDebugState:
            take(2);
            break;
        case kCommandClockOn:
            take(4);
            break;
        case kCommandKernel:
            take(i + 1 < log.size() ? 2 + size_t(log[i + 1]) : 2);
            break;
        case kCommandProgram: {
            size_t j = i + 1;
            while (j < log.size() && log[j] != 0)
                j += 2 + 2 * size_t(log[j] & 0x3F);
            take(j + 1 - i);
            break;
        }
        case kCommandRead: {
            size_t j = i + 1;
            while (j < log.size() && log[j] != 0)
                ++j;
            take(j + 1 - i);
            break;
        }
        default:
            take(1);
            break;
        }
    }
    return out;
}

inline std::vector<uint8_t> Commands(const std::vector<Exchange>& exchanges) {
    std::vector<uint8_t> c;
    for (const auto& e : exchanges)
        c.push_back(e.command);
    return c;
}

// The blocks of a programming exchange: their words.
inline std::vector<std::vector<uint16_t>> ProgramBlocks(const Exchange& e,
                                                        std::vector<uint8_t>* pulses = nullptr) {
    std::vector<std::vector<uint16_t>> blocks;
    size_t i = 1;
    while (i < e.bytes.size() && e.bytes[i] != 0) {
        size_t k = e.bytes[i] & 0x3F;
        if (pulses) pulses->push_back(e.bytes[i + 1]);
        std::vector<uint16_t> words;
        for (size_t w = 0; w < k; ++w) {
            size_t at = i + 2 + 2 * w;
            words.push_back(uint16_t(e.bytes[at] | ((e.bytes[at + 1] & 0x0F) << 8)));
        }
        blocks.push_back(std::move(words));
        i += 2 + 2 * k;
    }
    return blocks;
}

} // namespace pellix::test
