// The find and the replace dialog of the enhanced editor (modeless).
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "shell/SourceEditor.h"

namespace pellix {

class TSearchDialog : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Find, Replace };
    TSearchDialog(Kind kind, QWidget* parent = nullptr);

    Kind GetKind() const { return kind_; }
    std::string FindText() const;
    std::string ReplaceText() const;
    void SetFindText(const std::string& text);
    // As typed: the editor turns them into its document's bytes.
    QString FindString() const { return find_->text(); }
    QString ReplaceString() const { return replace_ ? replace_->text() : QString(); }
    // The first line of `text`, selected, ready to be typed over.
    void SetFindString(const QString& text);
    // The dialog's direction (down is forward), whole-word and match-case options.
    SearchOptions Options() const;

signals:
    void FindNextRequested();
    void ReplaceRequested();
    void ReplaceAllRequested();

private:
    void UpdateButtons();

    Kind kind_;
    QLineEdit* find_;
    QLineEdit* replace_ = nullptr;
    QCheckBox* wholeWord_;
    QCheckBox* matchCase_;
    QRadioButton* up_ = nullptr;
    QRadioButton* down_ = nullptr;
    QPushButton* findNext_;
    QPushButton* replaceButton_ = nullptr;
    QPushButton* replaceAll_ = nullptr;
};

} // namespace pellix
