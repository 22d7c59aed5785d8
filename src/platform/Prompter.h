// Message boxes and file dialogs, behind an interface that tests can answer.
#pragma once

#include <optional>
#include <string>

namespace pellix {

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, Abort, AbortRetryIgnore, RetryCancel };
enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptAnswer { Ok, Cancel, Yes, No, Abort, Retry, Ignore };

struct FileDialogRequest {
    std::string caption;
    std::string directory;
    std::string fileName;         // proposed name
    std::string filter;           // "SX Hex File (*.SXH)|*.SXH;*.OBJ;*.HEX", '|' between parts
    std::string defaultExtension; // without the dot
};

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual PromptAnswer Message(const std::string& text, const std::string& caption,
                                 PromptButtons buttons, PromptIcon icon) = 0;
    // The chosen path, or nothing when the dialog was cancelled.
    virtual std::optional<std::string> OpenFileName(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFileName(const FileDialogRequest& request) = 0;
};

} // namespace pellix
