#include "app/AppWindows.h"

#include "debugger/ui/TCodeForm.h"
#include "debugger/ui/TDebugForm.h"
#include "debugger/ui/TRegisterForm.h"
#include "debugger/ui/TWatchForm.h"
#include "shell/ui/TAboutForm.h"
#include "shell/ui/TConfigureForm.h"
#include "shell/ui/TEditorForm.h"
#include "shell/ui/TFileSaveNotificationDLG.h"
#include "shell/ui/TGotoLineNumDLG.h"
#include "shell/ui/THelpForm.h"
#include "shell/ui/TPM_CodeFRM.h"
#include "shell/ui/TWarrantyForm.h"

namespace pellix {

void AppWindows::NotAvailable(const std::string& what) {
    prompter_.Message(what + " is not available in this version yet.", "Not Available",
                      PromptButtons::Ok, PromptIcon::Information);
}

bool AppWindows::AskDisclaimer() {
    return warranty && warranty->Ask();
}

std::optional<int> AppWindows::AskLineNumber() {
    if (!gotoLine) return std::nullopt;
    return gotoLine->Ask();
}

void AppWindows::ShowDeviceWindow() {
    NotAvailable("The device window");
}

void AppWindows::LoadDeviceImage(const std::string& path, bool) {
    NotAvailable("Loading the hex image \"" + path + "\" into the device window");
}

void AppWindows::ShowClockWindow() {
    NotAvailable("The clock window");
}

void AppWindows::ShowClockGenInfo(uint32_t) {
    NotAvailable("The clock generation info box");
}

void AppWindows::ShowConfigure() {
    if (configure)
        configure->Execute();
    else
        NotAvailable("The Configure dialog");
}

void AppWindows::HideDebugWindow() {
    if (debug) debug->hide();
}

void AppWindows::ShowDebugWindow() {
    NotAvailable("The debug window");
}

void AppWindows::ToggleCodeView() {
    NotAvailable("The code view");
}

void AppWindows::CloseDebugWindows() {
    for (QWidget* w :
         {static_cast<QWidget*>(debug), static_cast<QWidget*>(watch), static_cast<QWidget*>(code),
          static_cast<QWidget*>(registers), static_cast<QWidget*>(listView)})
        if (w) w->close();
}

bool AppWindows::AskSaveBeforeAssembly(const std::string& fileName) {
    return !fileSaveNotification || fileSaveNotification->Ask(fileName);
}

bool AppWindows::BrowseList(const std::string& sourcePath) {
    return listView && listView->BrowseList(sourcePath);
}

void AppWindows::ShowHelp() {
    if (help)
        help->ShowCentred();
    else
        NotAvailable("The help window");
}

void AppWindows::ShowAbout() {
    if (about)
        about->Ask();
    else
        prompter_.Message(std::string("Pellix\rVersion: ") + kVersionText, "About",
                          PromptButtons::Ok, PromptIcon::Information);
}

} // namespace pellix
