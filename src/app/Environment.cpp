#include "app/Environment.h"

#include "debugger/ui/PinsForm.h"
#include "debugger/ui/TCodeForm.h"
#include "debugger/ui/TDebugForm.h"
#include "debugger/ui/TRegisterForm.h"
#include "debugger/ui/TWatchForm.h"
#include "link/ui/TClockForm.h"
#include "link/ui/TClockGenInfoFRM.h"
#include "link/ui/TDeviceForm.h"
#include "link/ui/TIRCForm.h"
#include "link/ui/TProgressForm.h"
#include "shell/OpenFiles.h"
#include "shell/OrdaUnit.h"
#include "shell/ui/TAboutForm.h"
#include "shell/ui/TConfigureForm.h"
#include "shell/ui/TEditorForm.h"
#include "shell/ui/TFileSaveNotificationDLG.h"
#include "shell/ui/TFindReplaceForm.h"
#include "shell/ui/TGotoLineNumDLG.h"
#include "shell/ui/THelpForm.h"
#include "shell/ui/THintForm.h"
#include "shell/ui/TPM_CodeFRM.h"
#include "shell/ui/TPrintForm.h"
#include "shell/ui/TPrintStatusForm.h"
#include "shell/ui/TSXCForm.h"
#include "shell/ui/TWarrantyForm.h"

namespace pellix {

template <class W, class... Args>
W* Environment::Create(std::unique_ptr<W>& slot, Args&&... args) {
    slot = std::make_unique<W>(std::forward<Args>(args)...);
    order_.push_back(slot.get());
    return slot.get();
}

Environment::Environment(SettingsStore& store, Prompter& prompter,
                         std::vector<std::string> arguments, ShellServices services,
                         ExternalAssemblerSetup orda, HardwareOptions hardware)
    : record_(std::make_unique<AssemblyRecord>()), registry_(store), prompter_(prompter),
      windows_(prompter) {
    hardware_ = std::make_unique<HardwareLink>(*record_, settings_, prompter_, std::move(hardware));
    placements_ = std::make_unique<WindowPlacements>(registry_);
    services.windows = &windows_;
    if (!services.chip) services.chip = hardware_.get();
    const DebugViewContext debug{hardware_->Debug(), registry_, prompter_};
    if (!services.externalAssembler && orda.process) {
        orda_ = std::make_unique<OrdaUnit>(*record_, settings_, prompter_, *orda.process,
                                           orda.programFolder);
        services.externalAssembler = orda_.get();
    }
    editorForm_ = std::make_unique<TEditorForm>(EditorFormContext{
        *record_, registry_, settings_, prompter_, services, std::move(arguments)});
    order_.push_back(editorForm_.get());

    // The hardware link's windows belong to the main window, so closing it ends the program
    // even while one of them is up. So do the debugger's: a window manager then keeps them
    // above the main window when a message box brings that to the front.
    QWidget* main = editorForm_.get();
    TFindReplaceForm* findReplace = Create(findReplace_);
    Create(progress_, main);
    windows_.registers = Create(register_, debug, main);
    windows_.about = Create(about_);
    windows_.watch = Create(watch_, debug, main);
    windows_.code = Create(code_, debug, main);
    windows_.debug =
        Create(debug_, debug, DebugViews{register_.get(), code_.get(), watch_.get()}, main);
    debugHost_ = std::make_unique<MainWindowDebugHost>(*editorForm_, settings_);
    debug_->SetHost(debugHost_.get());
    debug_->SetLabChipSource([this] { return hardware_->LabChip(); });
    // Ours: the virtual lab's windows, outside the fixed order of the program's own.
    pins_ = std::make_unique<PinsForm>(main);
    windows_.pins = pins_.get();
    debug_->AddLabWindow(*pins_, *pins_, "PinsButton", QObject::tr("Pi&ns"), 0, "PinsWindow");
    windows_.labChip = [this] {
        hardware_->Sync();
        return hardware_->LabChip();
    };
    code_->SetCompilerMode(editorForm_->CompilerMode(), editorForm_->SxcFileName());
    TPrintForm* print = Create(print_);
    TPrintStatusForm* printStatus = Create(printStatus_);
    editorForm_->SetOriginalEditorWindows(findReplace, print, printStatus);
    windows_.clock = Create(clock_, hardware_->Link(), *record_, main);
    // The working settings are read as the Configure dialog comes into being, after the
    // command line had its say, and the main window follows them. On the first run the
    // dialog shows itself here.
    TEditorForm* editor = editorForm_.get();
    configure_ = std::make_unique<TConfigureForm>(ConfigureContext{
        registry_, settings_, prompter_, editor->CompilerMode(),
        [editor] { editor->ApplyEditorChoice(); }, [editor] { editor->ApplyErrorListRule(); }});
    order_.push_back(configure_.get());
    windows_.configure = configure_.get();
    settingsStored_ = !configure_->FirstRun();
    windows_.help = Create(help_);
    Create(irc_, main);
    Create(sxc_, *record_, prompter_);
    editorForm_->SetCompilerLoader([this](const std::string& base) { return sxc_->SXCLoad(base); });
    windows_.hint = Create(hint_);
    windows_.warranty = Create(warranty_);
    windows_.gotoLine = Create(gotoLine_);
    windows_.listView = Create(
        listView_, ListViewContext{orda_.get(), &registry_, &prompter_, editorForm_.get()}, main);
    windows_.fileSaveNotification = Create(fileSaveNotification_, &registry_);
    windows_.device = Create(device_, *record_, prompter_, &hardware_->Device(), main);
    int32_t hideInfo = 0;
    registry_.ReadInteger(setting::HideClockGenInfoDialog, hideInfo);
    windows_.clockGenInfo = Create(clockGenInfo_, hideInfo != 0, main);
    for (QWidget* w : order_)
        if (w != editorForm_.get()) w->hide();
    WireHardwareWindows();
    listLink_ = std::make_unique<ListViewLink>(*listView_, hardware_->Debug(), orda_.get(), [this] {
        return editorForm_->Files().CurrentFileName();
    });
    debug_->SetListView(listLink_.get());
    sourceLink_ = std::make_unique<SourceDebugLink>(*editorForm_, hardware_->Debug(), *debug_,
                                                    settings_, orda_.get());
    debugCommands_ = std::make_unique<DebugCommands>(*debug_, *sourceLink_, settings_);
    editorForm_->SetDebugCommands(debugCommands_.get());
    // The function keys work in every window of a session as in the main window.
    const std::vector<QAction*> keys = editorForm_->DebugActions();
    for (QWidget* w : std::initializer_list<QWidget*>{debug_.get(), register_.get(), watch_.get(),
                                                      code_.get(), listView_.get(), pins_.get()})
        w->addActions(QList<QAction*>(keys.begin(), keys.end()));
    QObject::connect(debug_.get(), &TDebugForm::RunStateChanged, editorForm_.get(),
                     &TEditorForm::UpdateDebugCommands);
    register_->showHint = [this](const QString& text, QPoint at, int ms) {
        hint_->ShowHint(text, at, ms);
    };
    register_->hideHint = [this] { hint_->hide(); };
}

void Environment::WireHardwareWindows() {
    hardware_->SetProgress(progress_.get());
    hardware_->Device().showCalibration = [this] { irc_->Ask(hardware_->Irc()); };
    clock_->showStatus = [this](const std::string& text) { editorForm_->ShowStatus(2, text); };
    device_->externalAssembler = [this] { return settings_.useOrda; };
    device_->beforeOperation = [this] { hardware_->Sync(); };
    clockGenInfo_->storeDontShow = [this] {
        registry_.WriteInteger(setting::HideClockGenInfoDialog, 1);
        registry_.Flush();
    };
    placements_->Keep(*device_, setting::DeviceWindow);
    placements_->Keep(*clock_, setting::ClockWindow);
}

Environment::~Environment() {
    placements_->StoreAll();
    placements_.reset();
    hardware_->SetProgress(nullptr);
    editorForm_->SetDebugCommands(nullptr);
    debugCommands_.reset();
    sourceLink_.reset();
    debug_->SetListView(nullptr);
    listLink_.reset();
    // The windows go in reverse order, the main window last.
    clockGenInfo_.reset();
    device_.reset();
    fileSaveNotification_.reset();
    listView_.reset();
    gotoLine_.reset();
    warranty_.reset();
    hint_.reset();
    sxc_.reset();
    irc_.reset();
    help_.reset();
    configure_.reset();
    clock_.reset();
    printStatus_.reset();
    print_.reset();
    debug_.reset();
    pins_.reset();
    debugHost_.reset();
    code_.reset();
    watch_.reset();
    about_.reset();
    register_.reset();
    progress_.reset();
    findReplace_.reset();
    editorForm_.reset();
}

} // namespace pellix
