// The page count while the original editor prints, with the Cancel that stops the job.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace pellix {

class TPrintStatusForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrintStatusForm(QWidget* parent = nullptr);

    // A print job of `pages` pages begins: the window shows, Cancel not yet pressed.
    void Start(int pages);
    // Page `page` of `pages` begins; lets the window paint and take the Cancel click.
    void SetPage(int page, int pages);
    bool Cancelled() const { return cancelled_; }
    void Finish();

    QLabel* PageLabel() const { return page_; }
    QPushButton* CancelButton() const { return cancel_; }

signals:
    void PageStarted(int page);

protected:
    void reject() override;

private:
    QLabel* page_;
    QPushButton* cancel_;
    bool cancelled_ = false;
};

} // namespace pellix
