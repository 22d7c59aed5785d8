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
                         ExternalAssemblerSetup orda)
    : record_(std::make_unique<AssemblyRecord>()), registry_(store), prompter_(prompter),
      windows_(prompter) {
    services.windows = &windows_;
    if (!services.externalAssembler && orda.process) {
        orda_ = std::make_unique<OrdaUnit>(*record_, settings_, prompter_, *orda.process,
                                           orda.programFolder);
        services.externalAssembler = orda_.get();
    }
    editorForm_ = std::make_unique<TEditorForm>(EditorFormContext{
        *record_, registry_, settings_, prompter_, services, std::move(arguments)});
    order_.push_back(editorForm_.get());

    TFindReplaceForm* findReplace = Create(findReplace_);
    Create(progress_);
    windows_.registers = Create(register_);
    windows_.about = Create(about_);
    windows_.watch = Create(watch_);
    windows_.code = Create(code_);
    windows_.debug = Create(debug_);
    TPrintForm* print = Create(print_);
    TPrintStatusForm* printStatus = Create(printStatus_);
    editorForm_->SetOriginalEditorWindows(findReplace, print, printStatus);
    Create(clock_);
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
    Create(irc_);
    Create(sxc_);
    windows_.hint = Create(hint_);
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
    code_.reset();
    watch_.reset();
    about_.reset();
    register_.reset();
    progress_.reset();
    findReplace_.reset();
    editorForm_.reset();
}

} // namespace pellix
