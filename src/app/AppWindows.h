// The other windows of the program as the main window reaches them. A window that has no
// contents yet says so when it is asked for.
#pragma once

#include <functional>

#include "platform/Prompter.h"
#include "shell/Services.h"

namespace pellix {

class TWarrantyForm;
class TGotoLineNumDLG;
class TConfigureForm;
class THelpForm;
class TAboutForm;
class THintForm;
class TDebugForm;
class TRegisterForm;
class TWatchForm;
class TCodeForm;
class TPM_CodeFRM;
class TFileSaveNotificationDLG;
class TDeviceForm;
class TClockForm;
class TClockGenInfoFRM;
class PinsForm;
class VirtualChip;
class TTerminalForm;

class AppWindows final : public WindowService {
public:
    explicit AppWindows(Prompter& prompter) : prompter_(prompter) {}

    TWarrantyForm* warranty = nullptr;
    TGotoLineNumDLG* gotoLine = nullptr;
    TDebugForm* debug = nullptr;
    TRegisterForm* registers = nullptr;
    TWatchForm* watch = nullptr;
    TCodeForm* code = nullptr;
    TConfigureForm* configure = nullptr;
    THelpForm* help = nullptr;
    TAboutForm* about = nullptr;
    // For the windows that show short notices (the register view).
    THintForm* hint = nullptr;
    TPM_CodeFRM* listView = nullptr;
    TFileSaveNotificationDLG* fileSaveNotification = nullptr;
    TDeviceForm* device = nullptr;
    TClockForm* clock = nullptr;
    TClockGenInfoFRM* clockGenInfo = nullptr;
    PinsForm* pins = nullptr;
    // The virtual key's chip when the port is the virtual key, else nullptr.
    std::function<VirtualChip*()> labChip;
    TTerminalForm* terminal = nullptr;

    bool AskDisclaimer() override;
    std::optional<int> AskLineNumber() override;
    void ShowDeviceWindow() override;
    void LoadDeviceImage(const std::string& path, bool readOnly) override;
    void AssemblySucceeded() override;
    void ShowClockWindow() override;
    void ShowClockGenInfo(uint32_t frequency) override;
    void ShowTerminalWindow() override;
    void ShowConfigure() override;
    void HideDebugWindow() override;
    void ShowDebugWindow() override;
    void ToggleCodeView() override;
    void CloseDebugWindows() override;
    void ShowHelp() override;
    void ShowAbout() override;
    bool AskSaveBeforeAssembly(const std::string& fileName) override;
    bool BrowseList(const std::string& sourcePath) override;
    void ShowPinsWindow() override;

private:
    void NotAvailable(const std::string& what);
    Prompter& prompter_;
};

} // namespace pellix
