#include "app/DebugWindowHost.h"

#include "shell/ui/TEditorForm.h"

namespace pellix {

void MainWindowDebugHost::SetDebugging(bool debugging) {
    editor_.SetDebugging(debugging);
}

bool MainWindowDebugHost::CompilerMode() {
    return editor_.CompilerMode();
}

void MainWindowDebugHost::CloseMainWindow() {
    editor_.close();
}

QFont MainWindowDebugHost::ViewFont() {
    return editor_.TemplateEditor().Look().font;
}

} // namespace pellix
