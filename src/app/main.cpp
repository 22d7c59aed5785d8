#include <QApplication>

#include "app/BuiltInAssembler.h"
#include "app/Environment.h"
#include "platform/qt/QtChildProcess.h"
#include "platform/qt/QtPrompter.h"
#include "platform/qt/QtSettingsStore.h"
#include "shell/OrdaUnit.h"
#include "shell/ui/TEditorForm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pellix"));

    std::vector<std::string> arguments;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i)
        arguments.push_back(args[i].toStdString());

    pellix::QtSettingsStore store;
    pellix::QtPrompter prompter;
    pellix::BuiltInAssembler assembler;
    pellix::ShellServices services;
    services.assembler = &assembler;
    // orda sits beside the program as "ORDA.dll" in the build tree, and in libexec/pellix/
    // of an installation.
    pellix::QtChildProcess process;
    pellix::ExternalAssemblerSetup orda{
        &process, pellix::OrdaFolder(QCoreApplication::applicationDirPath().toStdString(),
                                     PELLIX_ORDA_FOLDER)};
    pellix::Environment environment(store, prompter, std::move(arguments), services, orda);
    prompter.SetParent(&environment.EditorForm());
    environment.EditorForm().show();
    return app.exec();
}
