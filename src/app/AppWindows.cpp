#include "app/AppWindows.h"

#include "debugger/ui/PinsForm.h"
#include "debugger/ui/TCodeForm.h"
#include "debugger/ui/TDebugForm.h"
#include "debugger/ui/TRegisterForm.h"
#include "debugger/ui/TTerminalForm.h"
#include "debugger/ui/TWatchForm.h"
#include "link/ui/TClockForm.h"
#include "link/ui/TClockGenInfoFRM.h"
#include "link/ui/TDeviceForm.h"
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
    if (!device) return NotAvailable("The device window");
    device->show();
    device->raise();
    device->activateWindow();
}

void AppWindows::LoadDeviceImage(const std::string& path, bool readOnly) {
    if (!device) return NotAvailable("The device window");
    device->LoadImageFile(path, readOnly);
}

void AppWindows::AssemblySucceeded() {
    if (device) device->AfterAssembly();
}

void AppWindows::ShowPinsWindow() {
    if (!pins) return NotAvailable("The Pins window");
    // Outside a session the window shows the chip as it stands, and what is driven into
    // its pins stays for the next session.
    if (!debug || !debug->Debugging()) {
        VirtualChip* chip = labChip ? labChip() : nullptr;
        if (!chip) {
            prompter_.Message("The Pins window shows the chip on the virtual key.\rChoose the "
                              "port SIM in Run > Configure to debug without hardware.",
                              "Pins", PromptButtons::Ok, PromptIcon::Information);
            return;
        }
        pins->LabChipChanged(chip);
    }
    pins->show();
    pins->raise();
    pins->activateWindow();
    pins->LabRefresh();
}

void AppWindows::ShowClockWindow() {
    if (!clock) return NotAvailable("The clock window");
    clock->exec();
}

void AppWindows::ShowTerminalWindow() {
    if (!terminal) return NotAvailable("The terminal window");
    terminal->show();
    terminal->raise();
    terminal->activateWindow();
}

void AppWindows::ShowClockGenInfo(uint32_t frequency) {
    if (clockGenInfo) clockGenInfo->ShowInfo(frequency);
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
    if (!debug) return NotAvailable("The debug window");
    debug->show();
    debug->raise();
    debug->activateWindow();
}

void AppWindows::ToggleCodeView() {
    if (!code) return NotAvailable("The code view");
    if (code->isVisible()) {
        code->hide();
    } else {
        code->show();
        code->raise();
    }
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
