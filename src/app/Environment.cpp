#include "app/Environment.h"

#include "debugger/ui/TCodeForm.h"
#include "debugger/ui/TDebugForm.h"
#include "debugger/ui/TRegisterForm.h"
#include "debugger/ui/TWatchForm.h"
#include "link/ui/TClockForm.h"
#include "link/ui/TClockGenInfoFRM.h"
#include "link/ui/TDeviceForm.h"
#include "link/ui/TIRCForm.h"
#include "link/ui/TProgressForm.h"
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
                         ExternalAssemblerSetup orda, TickSource* ticks)
    : record_(std::make_unique<AssemblyRecord>()), registry_(store), prompter_(prompter),
      chip_(std::make_unique<ChipLink>(*record_, settings_, prompter,
                                       ticks ? *ticks : steadyTicks_)),
      windows_(prompter) {
    services.windows = &windows_;
    if (!services.chip) services.chip = chip_.get();
    const DebugViewContext debug{chip_->Debug(), registry_, prompter_};
    if (!services.externalAssembler && orda.process) {
        orda_ = std::make_unique<OrdaUnit>(*record_, settings_, prompter_, *orda.process,
                                           orda.programFolder);
        services.externalAssembler = orda_.get();
    }
    editorForm_ = std::make_unique<TEditorForm>(EditorFormContext{
        *record_, registry_, settings_, prompter_, services, std::move(arguments)});
    order_.push_back(editorForm_.get());

    Create(findReplace_);
    Create(progress_);
    windows_.registers = Create(register_, debug);
    Create(about_);
    windows_.watch = Create(watch_, debug);
    windows_.code = Create(code_, debug);
    windows_.debug =
        Create(debug_, debug, DebugViews{register_.get(), code_.get(), watch_.get()});
    debugHost_ = std::make_unique<MainWindowDebugHost>(*editorForm_, settings_);
    debug_->SetHost(debugHost_.get());
    code_->SetCompilerMode(editorForm_->CompilerMode(), editorForm_->SxcFileName());
    Create(print_);
    Create(printStatus_);
    Create(clock_);
    Create(configure_);
    // The working settings are read as the Configure dialog comes into being, after the
    // command line had its say, and the main window follows them.
    settingsStored_ = settings_.Load(registry_, editorForm_->CompilerMode());
    editorForm_->ApplyEditorChoice();
    editorForm_->ApplyErrorListRule();
    Create(help_);
    Create(irc_);
    Create(sxc_);
    Create(hint_);
    windows_.warranty = Create(warranty_);
    windows_.gotoLine = Create(gotoLine_);
    windows_.listView =
        Create(listView_, ListViewContext{orda_.get(), &registry_, &prompter_, editorForm_.get()});
    windows_.fileSaveNotification = Create(fileSaveNotification_, &registry_);
    Create(device_);
    Create(clockGenInfo_);
    for (QWidget* w : order_)
        if (w != editorForm_.get()) w->hide();
}

Environment::~Environment() {
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
