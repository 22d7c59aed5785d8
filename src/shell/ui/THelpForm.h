// The quick reference of the symbolic debugging directives, in a window of its own.
#pragma once

#include <QDialog>
#include <QPlainTextEdit>

namespace pellix {

class THelpForm : public QDialog {
    Q_OBJECT
public:
    explicit THelpForm(QWidget* parent = nullptr);

    static const char* ReferenceText();
    // Shows it without blocking, centred on the screen.
    void ShowCentred();
    QPlainTextEdit* Memo() const { return memo_; }

private:
    QPlainTextEdit* memo_;
};

} // namespace pellix
