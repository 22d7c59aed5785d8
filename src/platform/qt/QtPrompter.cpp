#include "platform/qt/QtPrompter.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace pellix {

PromptAnswer QtPrompter::Message(const std::string& text, const std::string& caption,
                                 PromptButtons buttons, PromptIcon icon) {
    QMessageBox box(parent_);
    box.setWindowTitle(QString::fromStdString(caption));
    // Texts break lines with a lone CR; Qt lays out only LF.
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(shown);
    switch (icon) {
    case PromptIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case PromptIcon::Information: box.setIcon(QMessageBox::Information); break;
    case PromptIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case PromptIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case PromptIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    QMessageBox::StandardButtons set;
    switch (buttons) {
    case PromptButtons::Ok: set = QMessageBox::Ok; break;
    case PromptButtons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case PromptButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case PromptButtons::YesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case PromptButtons::Abort: set = QMessageBox::Abort; break;
    case PromptButtons::AbortRetryIgnore:
        set = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        break;
    case PromptButtons::RetryCancel: set = QMessageBox::Retry | QMessageBox::Cancel; break;
    }
    box.setStandardButtons(set);
    switch (box.exec()) {
    case QMessageBox::Ok: return PromptAnswer::Ok;
    case QMessageBox::Yes: return PromptAnswer::Yes;
    case QMessageBox::No: return PromptAnswer::No;
    case QMessageBox::Abort: return PromptAnswer::Abort;
    case QMessageBox::Retry: return PromptAnswer::Retry;
    case QMessageBox::Ignore: return PromptAnswer::Ignore;
    default: return PromptAnswer::Cancel;
    }
}

std::string QtPrompter::QtFilter(const std::string& filter) {
    QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        int paren = name.indexOf(QLatin1Char('('));
        if (paren > 0) name = name.left(paren).trimmed();
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Linux file names are case-sensitive: offer the lower-case spellings as well.
        QStringList both;
        for (const QString& p : patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            both << p;
            if (p.toLower() != p) both << p.toLower();
        }
        out << name + QStringLiteral(" (") + both.join(QLatin1Char(' ')) + QStringLiteral(")");
    }
    return out.join(QStringLiteral(";;")).toStdString();
}

static QString StartPath(const FileDialogRequest& r) {
    QString dir = QString::fromStdString(r.directory);
    QString name = QString::fromStdString(r.fileName);
    if (dir.isEmpty()) return name;
    if (name.isEmpty()) return dir;
    return dir + QLatin1Char('/') + name;
}

std::optional<std::string> QtPrompter::OpenFileName(const FileDialogRequest& r) {
    QString path = QFileDialog::getOpenFileName(parent_, QString::fromStdString(r.caption),
                                                StartPath(r),
                                                QString::fromStdString(QtFilter(r.filter)));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtPrompter::SaveFileName(const FileDialogRequest& r) {
    QFileDialog dialog(parent_, QString::fromStdString(r.caption), StartPath(r),
                       QString::fromStdString(QtFilter(r.filter)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite); // callers ask in their own words
    if (!r.defaultExtension.empty())
        dialog.setDefaultSuffix(QString::fromStdString(r.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

} // namespace pellix
