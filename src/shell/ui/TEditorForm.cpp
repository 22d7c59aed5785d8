#include "shell/ui/TEditorForm.h"

namespace pellix {

TEditorForm::TEditorForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("EditorForm"));
    setWindowTitle(QString::fromLatin1(kMainCaption));
    resize(800, 600);
}

} // namespace pellix
