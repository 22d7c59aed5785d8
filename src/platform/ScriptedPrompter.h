// A Prompter for tests: answers from a script and records everything it was asked.
#pragma once

#include <deque>
#include <vector>

#include "platform/Prompter.h"

namespace pellix {

class ScriptedPrompter final : public Prompter {
public:
    struct Asked {
        std::string text;
        std::string caption;
        PromptButtons buttons;
        PromptIcon icon;
    };

    // Answers given in order; when the script runs out, the first button's answer.
    void Answer(PromptAnswer a) { answers_.push_back(a); }
    // File names given in order; std::nullopt is a cancelled dialog. None left: cancelled.
    void AnswerFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }

    PromptAnswer Message(const std::string& text, const std::string& caption,
                         PromptButtons buttons, PromptIcon icon) override {
        messages.push_back({text, caption, buttons, icon});
        if (!answers_.empty()) {
            PromptAnswer a = answers_.front();
            answers_.pop_front();
            return a;
        }
        switch (buttons) {
        case PromptButtons::Ok:
        case PromptButtons::OkCancel: return PromptAnswer::Ok;
        case PromptButtons::YesNo:
        case PromptButtons::YesNoCancel: return PromptAnswer::Yes;
        case PromptButtons::Abort:
        case PromptButtons::AbortRetryIgnore: return PromptAnswer::Abort;
        case PromptButtons::RetryCancel: return PromptAnswer::Retry;
        }
        return PromptAnswer::Ok;
    }
    std::optional<std::string> OpenFileName(const FileDialogRequest& r) override {
        dialogs.push_back(r);
        return NextFile();
    }
    std::optional<std::string> SaveFileName(const FileDialogRequest& r) override {
        dialogs.push_back(r);
        return NextFile();
    }

    std::vector<Asked> messages;
    std::vector<FileDialogRequest> dialogs;

private:
    std::optional<std::string> NextFile() {
        if (files_.empty()) return std::nullopt;
        auto f = files_.front();
        files_.pop_front();
        return f;
    }
    std::deque<PromptAnswer> answers_;
    std::deque<std::optional<std::string>> files_;
};

} // namespace pellix
