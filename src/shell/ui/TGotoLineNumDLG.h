// "Go to Line Number...": asks for a line number of at least 1.
#pragma once

#include <optional>

#include <QDialog>
#include <QLineEdit>

namespace pellix {

class TGotoLineNumDLG : public QDialog {
    Q_OBJECT
public:
    explicit TGotoLineNumDLG(QWidget* parent = nullptr);

    // Shows the dialog modally; the number entered, or nothing (cancelled, or not a
    // whole number of at least 1).
    std::optional<int> Ask();
    static std::optional<int> ParseLineNumber(const QString& text);

    QLineEdit* Edit() const { return edit_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    QLineEdit* edit_;
};

} // namespace pellix
