// A debugging session on the in-process virtual key: a program assembled from text,
// prepared for debugging and put into the chip, and a DebugControl over the link.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "asm/Assembler.h"
#include "link/DebugControl.h"
#include "link/DebugKernel.h"
#include "link/LinkTestSupport.h"
#include "target/LineEnds.h"

namespace pellix::test {

inline std::unique_ptr<AssemblyRecord> AssembleText(const std::string& text) {
    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    record->source = ToCrLineEnds(text);
    Assemble(*record);
    EXPECT_EQ(record->status, 0) << record->message;
    return record;
}

// The transfer image in the chip as programming leaves it (trim bits aside).
inline void LoadIntoChip(VirtualChip& chip, const AssemblyRecord& record) {
    const ProgramImage& image = record.transfer;
    for (int a = 0; a < chip.PhysicalWords(); ++a)
        chip.LoadCode(a, image.Code(a));
    chip.LoadFuse(image.Fuse());
    chip.LoadFusex(image.Fusex());
}

// The programming exchanges, as the programmer runs them, without the IRC trim.
inline void ProgramThroughTheKey(SimRig& r, const AssemblyRecord& record) {
    const ProgramImage& image = record.transfer;
    MemoryGeometry g = ComputeGeometry(record.deviceFamily, record.assembled.Fusex());
    std::vector<uint16_t> code(size_t(g.memorySize)), id(16);
    for (int a = 0; a < g.memorySize; ++a)
        code[size_t(a)] = image.Code(a);
    for (int i = 0; i < 16; ++i)
        id[size_t(i)] = image[kIdIndex + i] & 0x0FFF;
    r.link.ConnectKey();
    r.protocol.EraseFor();
    r.protocol.ProgramStart();
    const uint16_t config[] = {image.Fusex(), image.Fuse()};
    r.protocol.ProgramBlock(config, kConfigPulseTime);
    r.protocol.ProgramWords(code, kCodePulseTime);
    r.protocol.ProgramWords(id, kCodePulseTime, 16);
    r.protocol.ProgramEnd();
    r.protocol.Reset();
    r.link.ReleaseKey();
}

struct DebugRig : SimRig {
    // Assembles `source`, prepares it and puts it into the chip.
    explicit DebugRig(const std::string& source, bool program = false)
        : SimRig(0), record(AssembleText(source)), control(link, *record) {
        key.Chip().SetFamily(record->deviceFamily);
        PrepareDebug(*record);
        EXPECT_EQ(record->status, 0) << record->message;
        if (program)
            ProgramThroughTheKey(*this, *record);
        else
            LoadIntoChip(key.Chip(), *record);
        control.UpdateGeometry();
    }
    // Opens the session and waits for the first stop; the requests are taken.
    void Start() {
        control.StartDebugging();
        ASSERT_TRUE(control.WaitForStop(kApplyLimitMs)) << "the chip never reached the kernel";
        control.ReadDebugState();
        control.RefreshViews();
        TakeRequests();
    }
    // Resumes and waits for the stop, then reads the state.
    void Go(uint16_t mode, uint32_t limit = kApplyLimitMs) {
        control.ResumeChip(mode);
        ASSERT_TRUE(control.WaitForStop(limit));
        control.ReadDebugState();
        control.RefreshViews();
    }
    uint8_t Reg(int address) const { return control.live.Register(address); }

    std::unique_ptr<AssemblyRecord> record;
    DebugControl control;
};

// A view that records what it was told.
struct RecordingView final : DebugView {
    RecordingView(std::vector<std::string>& log, std::string name) : log(log), name(name) {}
    bool IsVisible() const override { return visible; }
    void Repaint(bool all) override { log.push_back(name + (all ? " repaint all" : " repaint")); }
    void ShowAddress(uint32_t pc) override { log.push_back(name + " pc " + std::to_string(pc)); }
    void RepaintBreakpoint(bool) override { log.push_back(name + " breakpoint"); }
    std::vector<std::string>& log;
    std::string name;
    bool visible = true;
};

} // namespace pellix::test
