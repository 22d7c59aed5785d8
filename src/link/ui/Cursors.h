// The hourglass for the length of a chip operation, and the arrow again over a modal
// window that such an operation opens.
#pragma once

#include <QApplication>

namespace pellix {

class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

class ModalCursor {
public:
    ModalCursor() : pushed_(QApplication::overrideCursor() != nullptr) {
        if (pushed_) QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ModalCursor() {
        if (pushed_) QApplication::restoreOverrideCursor();
    }
    ModalCursor(const ModalCursor&) = delete;
    ModalCursor& operator=(const ModalCursor&) = delete;

private:
    bool pushed_;
};

} // namespace pellix
