#include <QApplication>

#include "shell/ui/TEditorForm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pellix"));
    pellix::TEditorForm mainWindow;
    mainWindow.show();
    return app.exec();
}
