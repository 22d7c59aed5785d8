// The original editor's find/replace window: shown modally, it answers which button was
// pressed; the main window does the searching.
#pragma once

#include <string>

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

namespace pellix {

class TFindReplaceForm : public QDialog {
    Q_OBJECT
public:
    // The modal results of the three buttons; Cancel gives 0.
    enum Result { FindResult = 1, ReplaceResult = 4, AllResult = 8 };

    explicit TFindReplaceForm(QWidget* parent = nullptr);

    // Shows it modally; `findText` (when not empty) goes into the find box, and Replace
    // can be pressed only when there is a selection. The result as above.
    int Ask(const std::string& findText, bool hasSelection);
    // Sets the controls up as Ask does, without showing the window.
    void Prepare(const std::string& findText, bool hasSelection);

    std::string FindText() const;
    std::string ReplaceText() const;
    bool FromStart() const { return fromStart_->isChecked(); }
    // Checked and allowed: the find text is one word.
    bool WordOnly() const { return wordOnly_->isChecked() && wordOnly_->isEnabled(); }

    QLineEdit* FindEdit() const { return find_; }
    QLineEdit* ReplaceEdit() const { return replace_; }
    QCheckBox* FromStartBox() const { return fromStart_; }
    QCheckBox* WordOnlyBox() const { return wordOnly_; }
    QPushButton* FindButton() const { return findButton_; }
    QPushButton* ReplaceButton() const { return replaceButton_; }
    QPushButton* AllButton() const { return allButton_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void UpdateEnables();

    QLineEdit* find_;
    QLineEdit* replace_;
    QCheckBox* fromStart_;
    QCheckBox* wordOnly_;
    QPushButton* findButton_;
    QPushButton* replaceButton_;
    QPushButton* allButton_;
    bool hasSelection_ = false;
};

} // namespace pellix
