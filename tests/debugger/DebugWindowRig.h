// A debug session's windows on the in-process virtual key, for the window tests: the program
// assembled and loaded into the key's chip, the register, watch and code views and the
// debug window on a fake clock whose timer the test ticks by hand.
#pragma once

#include <QCoreApplication>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <memory>
#include <string>

#include "asm/Assembler.h"
#include "debugger/ui/TCodeForm.h"
#include "debugger/ui/TDebugForm.h"
#include "debugger/ui/TRegisterForm.h"
#include "debugger/ui/TWatchForm.h"
#include "link/DebugKernel.h"
#include "link/KeyLink.h"
#include "link/PortFactory.h"
#include "platform/ScriptedPrompter.h"
#include "platform/SettingsRegistry.h"
#include "platform/SettingsStore.h"
#include "platform/TickSource.h"
#include "shell/WorkingSettings.h"
#include "sim/VirtualKey.h"
#include "target/LineEnds.h"

namespace pellix::test {

// Saves a picture of the widget for the user guide when PELLIX_SCREENSHOTS names a folder.
inline void MaybeGrab(QWidget& w, const char* name) {
    QByteArray dir = qgetenv("PELLIX_SCREENSHOTS");
    if (dir.isEmpty()) return;
    QCoreApplication::processEvents();
    w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
}

struct DebugWindowRig {
    // Without `keepBreak` the program's BREAK is dropped, so that Run runs freely.
    DebugWindowRig(const std::string& source, bool keepBreak) {
        link.portName = "sim";
        record->StartUp();
        record->source = ToCrLineEnds(source);
        Assemble(*record);
        if (record->status != 0) qFatal("%s", record->message.c_str());
        if (!keepBreak) record->debug.breakAddress = kNoBreakpoint;
        PrepareDebug(*record);
        if (record->status != 0) qFatal("%s", record->message.c_str());
        VirtualChip& chip = key.Chip();
        chip.SetFamily(record->deviceFamily);
        const ProgramImage& image = record->transfer;
        for (int a = 0; a < chip.PhysicalWords(); ++a)
            chip.LoadCode(a, image.Code(a));
        chip.LoadFuse(image.Fuse());
        chip.LoadFusex(image.Fusex());
        store.WriteInt(setting::UseRegPositions, 0);
        DebugViewContext c{control, registry, prompter};
        registers = std::make_unique<TRegisterForm>(c);
        watch = std::make_unique<TWatchForm>(c);
        code = std::make_unique<TCodeForm>(c);
        debug =
            std::make_unique<TDebugForm>(c, DebugViews{registers.get(), code.get(), watch.get()});
        debug->SetAutomaticTimer(false);
    }
    DebugWindowRig(const DebugWindowRig&) = delete;
    DebugWindowRig& operator=(const DebugWindowRig&) = delete;

    QPushButton* Button(const char* name) {
        return debug->findChild<QPushButton*>(QString::fromLatin1(name));
    }

    FakeTickSource ticks;
    ScriptedPrompter prompter;
    VirtualKey key;
    PortFactory ports{&key, ticks};
    KeyLink link{ports, ticks, prompter};
    std::unique_ptr<AssemblyRecord> record = std::make_unique<AssemblyRecord>();
    DebugControl control{link, *record};
    MemorySettingsStore store;
    SettingsRegistry registry{store};
    std::unique_ptr<TRegisterForm> registers;
    std::unique_ptr<TWatchForm> watch;
    std::unique_ptr<TCodeForm> code;
    std::unique_ptr<TDebugForm> debug;
};

} // namespace pellix::test
