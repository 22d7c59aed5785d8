// Everything the windowed program holds for its whole run: the shared record, the
// settings, the services, and every window, created in a fixed order at start-up and
// destroyed only at the end.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QTimer>
#include <QWidget>

#include "app/AppWindows.h"
#include "app/DebugCommands.h"
#include "app/DebugWindowHost.h"
#include "app/HardwareLink.h"
#include "app/ListViewLink.h"
#include "app/SourceDebugLink.h"
#include "app/WindowPlacements.h"
#include "platform/ChildProcess.h"
#include "platform/Prompter.h"
#include "platform/SettingsRegistry.h"
#include "platform/SettingsStore.h"
#include "shell/WorkingSettings.h"
#include "target/AssemblyRecord.h"

namespace pellix {

class TEditorForm;
class TFindReplaceForm;
class TProgressForm;
class TRegisterForm;
class TAboutForm;
class TWatchForm;
class TCodeForm;
class TDebugForm;
class PinsForm;
class TPrintForm;
class TPrintStatusForm;
class TClockForm;
class TConfigureForm;
class THelpForm;
class TIRCForm;
class TSXCForm;
class THintForm;
class TWarrantyForm;
class TGotoLineNumDLG;
class TPM_CodeFRM;
class TFileSaveNotificationDLG;
class TDeviceForm;
class TClockGenInfoFRM;
class TTerminalForm;
class OrdaUnit;

// How the program reaches the external assembler: the process runner and the folder of the
// program's own executable, where orda sits as "ORDA.dll".
struct ExternalAssemblerSetup {
    ChildProcess* process = nullptr;
    std::string programFolder;
};

class Environment {
public:
    // `arguments` is the command line without the program name. With a process runner in
    // `orda` and no external assembler among `services`, the bridge to orda is built.
    // Without a chip service of the caller's, the program's own key serves (`hardware`).
    Environment(SettingsStore& store, Prompter& prompter, std::vector<std::string> arguments,
                ShellServices services = {}, ExternalAssemblerSetup orda = {},
                HardwareOptions hardware = {});
    ~Environment();
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    AssemblyRecord& Record() { return *record_; }
    SettingsRegistry& Registry() { return registry_; }
    WorkingSettings& Settings() { return settings_; }
    TEditorForm& EditorForm() { return *editorForm_; }
    AppWindows& WindowServices() { return windows_; }
    TDebugForm& DebugForm() { return *debug_; }
    TRegisterForm& RegisterForm() { return *register_; }
    TWatchForm& WatchForm() { return *watch_; }
    TCodeForm& CodeForm() { return *code_; }
    // The bridge to orda, when this environment built one.
    OrdaUnit* Orda() { return orda_.get(); }
    TPM_CodeFRM& ListView() { return *listView_; }
    // The debug session in the editor, and the Debug menu's commands.
    SourceDebugLink& SourceLink() { return *sourceLink_; }
    TFileSaveNotificationDLG& FileSaveNotification() { return *fileSaveNotification_; }
    HardwareLink& Hardware() { return *hardware_; }
    TDeviceForm& DeviceForm() { return *device_; }
    TClockForm& ClockForm() { return *clock_; }
    TProgressForm& ProgressForm() { return *progress_; }
    TIRCForm& IRCForm() { return *irc_; }
    TClockGenInfoFRM& ClockGenInfo() { return *clockGenInfo_; }
    TTerminalForm& TerminalForm() { return *terminal_; }
    // Every window in the order it was created.
    const std::vector<QWidget*>& CreationOrder() const { return order_; }
    // Whether settings were stored before this run (if not, the Configure dialog was
    // shown, modally, while the environment was built).
    bool SettingsStored() const { return settingsStored_; }

private:
    template <class W, class... Args>
    W* Create(std::unique_ptr<W>& slot, Args&&... args);
    void WireHardwareWindows();
    void WireTerminal();
    void FollowIdleLabChip();

    std::unique_ptr<AssemblyRecord> record_;
    SettingsRegistry registry_;
    WorkingSettings settings_;
    std::unique_ptr<OrdaUnit> orda_;
    Prompter& prompter_;
    AppWindows windows_;
    std::unique_ptr<HardwareLink> hardware_;
    std::unique_ptr<WindowPlacements> placements_;
    std::vector<QWidget*> order_;
    bool settingsStored_ = false;

    std::unique_ptr<TEditorForm> editorForm_;
    std::unique_ptr<TFindReplaceForm> findReplace_;
    std::unique_ptr<TProgressForm> progress_;
    std::unique_ptr<TRegisterForm> register_;
    std::unique_ptr<TAboutForm> about_;
    std::unique_ptr<TWatchForm> watch_;
    std::unique_ptr<TCodeForm> code_;
    std::unique_ptr<TDebugForm> debug_;
    std::unique_ptr<PinsForm> pins_;
    std::unique_ptr<TPrintForm> print_;
    std::unique_ptr<TPrintStatusForm> printStatus_;
    std::unique_ptr<TClockForm> clock_;
    std::unique_ptr<TConfigureForm> configure_;
    std::unique_ptr<THelpForm> help_;
    std::unique_ptr<TIRCForm> irc_;
    std::unique_ptr<TSXCForm> sxc_;
    std::unique_ptr<THintForm> hint_;
    std::unique_ptr<TWarrantyForm> warranty_;
    std::unique_ptr<TGotoLineNumDLG> gotoLine_;
    std::unique_ptr<TPM_CodeFRM> listView_;
    std::unique_ptr<TFileSaveNotificationDLG> fileSaveNotification_;
    std::unique_ptr<TDeviceForm> device_;
    std::unique_ptr<TClockGenInfoFRM> clockGenInfo_;
    std::unique_ptr<TTerminalForm> terminal_;
    std::unique_ptr<MainWindowDebugHost> debugHost_;
    std::unique_ptr<ListViewLink> listLink_;
    std::unique_ptr<SourceDebugLink> sourceLink_;
    std::unique_ptr<DebugCommands> debugCommands_;
    // Runs the virtual key's chip for the Terminal outside a debug session.
    std::unique_ptr<QTimer> labTimer_;
};

} // namespace pellix
