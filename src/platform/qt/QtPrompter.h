// Prompter through QMessageBox and QFileDialog.
#pragma once

#include "platform/Prompter.h"

class QWidget;

namespace pellix {

class QtPrompter final : public Prompter {
public:
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    PromptAnswer Message(const std::string& text, const std::string& caption,
                         PromptButtons buttons, PromptIcon icon) override;
    std::optional<std::string> OpenFileName(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileName(const FileDialogRequest& request) override;

    // "Name (*.A)|*.A;*.B|Other|*.C" as Qt's "Name (*.A *.B);;Other (*.C)".
    static std::string QtFilter(const std::string& filter);

private:
    QWidget* parent_;
};

} // namespace pellix
