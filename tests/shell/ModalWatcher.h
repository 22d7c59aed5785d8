// Answers the modal dialogs a window test runs into: presses a named button in each, or
// rejects it, and notes which dialogs were shown.
#pragma once

#include <functional>
#include <map>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QSet>
#include <QStringList>
#include <QTimer>

namespace pellix::test {

class ModalWatcher {
public:
    // `buttons` maps a dialog's object name to the button to press in it.
    ModalWatcher(const QString& dialog, const QString& button)
        : ModalWatcher(std::map<QString, QString>{{dialog, button}}) {}
    explicit ModalWatcher(std::map<QString, QString> buttons = {}) : buttons_(std::move(buttons)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
        timer_.start();
    }

    QStringList seen;
    // Called instead of pressing a button, when set: gets the dialog, returns whether it
    // dealt with it.
    std::function<bool(QDialog&)> handler;

private:
    void Look() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        // A dialog whose answer is under way (it may have opened another) is not seen again.
        if (!dialog || dialog == last_ || busy_.contains(dialog)) return;
        last_ = dialog;
        seen << dialog->objectName();
        QDialog* d = dialog;
        // Once it has come up, from its own event loop.
        QTimer::singleShot(0, d, [this, d] {
            last_ = nullptr;
            busy_.insert(d);
            struct Done {
                QSet<QDialog*>& busy;
                QDialog* d;
                ~Done() { busy.remove(d); }
            } done{busy_, d};
            if (handler && handler(*d)) return;
            auto it = buttons_.find(d->objectName());
            if (it != buttons_.end())
                if (auto* b = d->findChild<QAbstractButton*>(it->second)) {
                    b->click();
                    // A dialog that refused to close is not pressed again and again.
                    if (d->isVisible() && QApplication::activeModalWidget() == d) d->reject();
                    return;
                }
            d->reject();
        });
    }

    std::map<QString, QString> buttons_;
    QTimer timer_;
    QDialog* last_ = nullptr;
    QSet<QDialog*> busy_;
};

} // namespace pellix::test
