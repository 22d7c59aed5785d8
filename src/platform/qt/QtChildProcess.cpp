#include "platform/qt/QtChildProcess.h"

#include <QProcess>

namespace pellix {

std::optional<int> QtChildProcess::Run(const std::string& program,
                                       const std::vector<std::string>& arguments,
                                       const std::string& workingDirectory) {
    QProcess process;
    QStringList args;
    for (const auto& a : arguments)
        args << QString::fromStdString(a);
    if (!workingDirectory.empty())
        process.setWorkingDirectory(QString::fromStdString(workingDirectory));
    // The child's console text is not shown anywhere; its files carry the results.
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QString::fromStdString(program), args);
    if (!process.waitForStarted(-1)) return std::nullopt;
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit) return kChildEndedAbnormally;
    return process.exitCode();
}

} // namespace pellix
