// The main window's way into debugging: Debug and Debug Again, the Debug menu's keys, the Run
// menu asleep during a session, and compiler-output mode.
#include "shell/ui/TEditorForm.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "shell/SXCUnit.h"
#include "shell/ui/TEditorFormShared.h"

namespace pellix {

using editor_form::BusyCursor;

// ---- Debug menu -------------------------------------------------------------------------

// Ours: the debug window's commands on function keys that no other command uses, so
// they work from here and from every debug window (the Run menu sleeps during a session).
void TEditorForm::BuildDebugMenu(QMenu* menu) {
    struct Row {
        DebugCommand command;
        const char* name;
        const char* caption;
        QKeySequence key;
        const char* hint;
    };
    const Row rows[] = {
        {DebugCommand::Run, "DebugRunItem", "&Run", QKeySequence(Qt::Key_F5),
         "Run the chip to the breakpoint, or freely without one"},
        {DebugCommand::Halt, "DebugHaltItem", "&Halt", QKeySequence(Qt::Key_F6),
         "Stop the chip where it is, whatever it runs"},
        {DebugCommand::Step, "DebugStepItem", "&Step", QKeySequence(Qt::Key_F7),
         "Execute one instruction"},
        {DebugCommand::Walk, "DebugWalkItem", "&Walk", QKeySequence(Qt::Key_F8),
         "Step again and again, showing each stop, until Stop"},
        {DebugCommand::ToggleBreakpoint, "DebugBreakpointItem", "Toggle &Breakpoint",
         QKeySequence(Qt::Key_F9), "Set or clear the breakpoint at the caret's line"},
        {DebugCommand::Hop, "DebugHopItem", "H&op", QKeySequence(Qt::Key_F10),
         "Step until the source line changes"},
        {DebugCommand::Quit, "DebugQuitItem", "&Quit Debugging",
         QKeySequence(Qt::SHIFT | Qt::Key_F5), "End the debug session and release the key"},
    };
    for (const Row& r : rows) {
        auto* a = new QAction(tr(r.caption), this);
        a->setObjectName(QString::fromLatin1(r.name));
        a->setStatusTip(tr(r.hint));
        a->setShortcut(r.key);
        a->setShortcutContext(Qt::WindowShortcut);
        const DebugCommand command = r.command;
        connect(a, &QAction::triggered, this, [this, command] {
            Command([this, command] {
                if (services_.debugCommands && services_.debugCommands->CanRun(command))
                    services_.debugCommands->Execute(command);
            });
        });
        menu->addAction(a);
        if (r.command == DebugCommand::ToggleBreakpoint || r.command == DebugCommand::Quit)
            menu->addSeparator();
        items_[r.name] = a;
        debugActions_.push_back(a);
    }
}

void TEditorForm::SetDebugCommands(DebugCommandService* commands) {
    services_.debugCommands = commands;
    UpdateDebugCommands();
}

void TEditorForm::UpdateDebugCommands() {
    const IdeOptions& x = settings_.extras;
    debugMenu_->menuAction()->setVisible(x.debugKeys);
    for (size_t i = 0; i < debugActions_.size(); ++i) {
        const auto command = DebugCommand(i);
        QAction* a = debugActions_[i];
        if (command == DebugCommand::Halt) a->setVisible(x.haltAction);
        if (command == DebugCommand::ToggleBreakpoint) a->setVisible(x.editorBreakpoints);
        a->setEnabled(x.debugKeys && a->isVisible() && services_.debugCommands &&
                      services_.debugCommands->CanRun(command));
    }
}

// ---- debug sessions ---------------------------------------------------------------------

void TEditorForm::SetDebugging(bool debugging) {
    QMenu* run = menuBar()->findChild<QMenu*>(QStringLiteral("RunMenu"));
    std::vector<QAction*> actions{items_["EditTextBiggerItem"], items_["EditTextSmallerItem"]};
    // The menu's items too, so their shortcuts stay quiet; each gets its own state back.
    if (run)
        for (QAction* a : run->actions())
            if (!a->isSeparator()) actions.push_back(a);
    if (debugging) {
        for (QAction* a : actions)
            if (enabledBeforeDebugging_.emplace(a, a->isEnabled()).second) a->setEnabled(false);
    } else {
        for (auto& [a, enabled] : enabledBeforeDebugging_)
            a->setEnabled(enabled);
        enabledBeforeDebugging_.clear();
    }
    if (run) run->menuAction()->setEnabled(!debugging);
    EnableRunButtons(!debugging);
    buttons_["ClockTBTN"]->setEnabled(!debugging);
    if (compilerLoaded_) DisableForCompilerMode();
}

void TEditorForm::RunDebugItemClick() {
    StartDebugging(true);
}

void TEditorForm::RunDebugAgainItemClick() {
    StartDebugging(false);
}

// Debug Again leaves the chip's program as it is: only the kernel's session starts anew.
bool TEditorForm::StartDebugging(bool program) {
    bool started = false;
    Command([this, program, &started] {
        BusyCursor busy;
        if (services_.windows) services_.windows->HideDebugWindow();
        if (!CompilerMode()) DoAssemble();
        ChipService& chip = Chip("Debugging on the chip");
        RequireKeyClock(chip, "Debug ERROR");
        if (!chip.PrepareDebug()) {
            prompter_.Message(record_.message, "Debug ERROR", PromptButtons::Ok, PromptIcon::Error);
            return;
        }
        chip.RequireFullKey();
        if (program) chip.ProgramChip(false);
        Windows().ShowDebugWindow();
        started = true;
    });
    return started;
}

// ---- compiler-output mode ---------------------------------------------------------------

void TEditorForm::StartCompilerMode() {
    // A name that was not found was dropped and reported with the command line.
    if (commandLine_.fileName.empty()) return;
    const std::string base = sxc::BaseName(commandLine_.fileName);
    if (!sxc::FilesExist(base)) {
        prompter_.Message("Compiler output not found on disk:\r\"" + base + ".cod\" and \"" + base +
                              ".lst\" must both exist.",
                          "COMMAND LINE ERROR", PromptButtons::Ok, PromptIcon::Error);
        return;
    }
    if (!compilerLoad_ || !compilerLoad_(base)) return;
    compilerLoaded_ = true;
    files_->SetReadOnly(commandLine_.readOnly);
    setWindowTitle(QString::fromStdString(
        sxc::MainCaption(kMainCaption, commandLine_.fileName, commandLine_.readOnly)));
    DisableForCompilerMode();
    // Without a debug window (the key could not be reached, the kernel does not fit) the
    // main window stays, so the program is never left running with no window at all.
    if (StartDebugging(true)) sxcModeTimer_->start();
}

void TEditorForm::DisableForCompilerMode() {
    for (const char* item : {"FileNewItem", "FileOpenItem", "FileSaveItem", "FileSaveAsItem",
                             "FileListToggleItem", "FilePrintItem", "RunAssembleItem"})
        items_[item]->setEnabled(false);
    for (const char* button : {"NewTBTN", "OpenTBTN", "SaveTBTN", "AssemblyTBTN"})
        buttons_[button]->setEnabled(false);
    if (QMenu* edit = menuBar()->findChild<QMenu*>(QStringLiteral("EditMenu"))) {
        edit->menuAction()->setEnabled(false);
        // The items too, so their shortcuts stay quiet.
        for (QAction* a : edit->actions())
            a->setEnabled(false);
    }
}

} // namespace pellix
