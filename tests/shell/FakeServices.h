// Services for the main window's tests: they record what they were asked.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/SilentAbort.h"
#include "shell/Services.h"
#include "target/AssemblyRecord.h"

namespace pellix::test {

class FakeAssembler final : public AssemblerService {
public:
    std::vector<std::string> sources;
    // Fails when set: the message and the range, as offsets into the source.
    std::string failMessage;
    uint32_t failStart = 0, failEnd = 0;

    void Assemble(AssemblyRecord& r) override {
        sources.push_back(r.source);
        if (failMessage.empty()) {
            r.status = 0;
            r.errorStart = r.errorEnd = 0;
        } else {
            r.Fail(failMessage);
            r.errorStart = failStart;
            r.errorEnd = failEnd;
        }
    }
};

class FakeChip final : public ChipService {
public:
    std::vector<std::string> calls;
    bool prepareOk = true;
    bool failProgramming = false;

    void RequireFullKey() override { calls.push_back("RequireFullKey"); }
    void ConnectKey() override { calls.push_back("ConnectKey"); }
    // Runs while the chip is programmed (a test's clock moves on).
    std::function<void()> whileProgramming;

    void ProgramChip(bool run) override {
        calls.push_back(run ? "ProgramChip(true)" : "ProgramChip(false)");
        if (whileProgramming) whileProgramming();
        if (failProgramming) throw SilentAbort();
    }
    bool PrepareDebug() override {
        calls.push_back("PrepareDebug");
        return prepareOk;
    }
    std::string ClockText(uint32_t f) override { return "clock " + std::to_string(f); }
};

class FakeWindows final : public WindowService {
public:
    std::vector<std::string> calls;
    bool acceptDisclaimer = true;
    std::optional<int> lineNumber;

    bool AskDisclaimer() override {
        calls.push_back("AskDisclaimer");
        return acceptDisclaimer;
    }
    std::optional<int> AskLineNumber() override {
        calls.push_back("AskLineNumber");
        return lineNumber;
    }
    void ShowDeviceWindow() override { calls.push_back("ShowDeviceWindow"); }
    void LoadDeviceImage(const std::string& path, bool readOnly) override {
        calls.push_back("LoadDeviceImage(" + path + (readOnly ? ",ro)" : ")"));
    }
    void AssemblySucceeded() override { calls.push_back("AssemblySucceeded"); }
    void ShowClockWindow() override { calls.push_back("ShowClockWindow"); }
    void ShowClockGenInfo(uint32_t f) override {
        calls.push_back("ShowClockGenInfo(" + std::to_string(f) + ")");
    }
    void ShowConfigure() override { calls.push_back("ShowConfigure"); }
    void HideDebugWindow() override { calls.push_back("HideDebugWindow"); }
    void ShowDebugWindow() override { calls.push_back("ShowDebugWindow"); }
    void ToggleCodeView() override { calls.push_back("ToggleCodeView"); }
    void CloseDebugWindows() override { calls.push_back("CloseDebugWindows"); }
    void ShowHelp() override { calls.push_back("ShowHelp"); }
    void ShowAbout() override { calls.push_back("ShowAbout"); }
};

} // namespace pellix::test
