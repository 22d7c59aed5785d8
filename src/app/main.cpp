#include <algorithm>
#include <cstdio>

#include <QApplication>

#include "app/BuiltInAssembler.h"
#include "app/Environment.h"
#include "platform/qt/QtChildProcess.h"
#include "platform/qt/QtPrompter.h"
#include "platform/qt/QtSettingsStore.h"
#include "shell/CommandLine.h"
#include "shell/OrdaUnit.h"
#include "shell/ui/TEditorForm.h"

int main(int argc, char** argv) {
    // Answered before any window or display is needed.
    const std::vector<std::string> given(argv + std::min(argc, 1), argv + argc);
    switch (pellix::FindInfoRequest(given)) {
    case pellix::InfoRequest::Help:
        std::fputs(pellix::UsageText().c_str(), stdout);
        return 0;
    case pellix::InfoRequest::Version:
        std::fputs(pellix::VersionText(pellix::kVersionText).c_str(), stdout);
        return 0;
    case pellix::InfoRequest::None:
        break;
    }

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
