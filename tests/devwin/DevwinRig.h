// The link's windows on the in-process virtual key: a fake clock, a scripted prompter, the
// real progress window, and helpers for the modal windows a command opens.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

#include "link/DeviceUnit.h"
#include "link/KeyLink.h"
#include "link/PortFactory.h"
#include "link/ui/TProgressForm.h"
#include "platform/ScriptedPrompter.h"
#include "platform/TickSource.h"
#include "sim/VirtualKey.h"
#include "target/AssemblyRecord.h"
#include "target/HexText.h"

namespace pellix::test {

struct LinkRig {
    explicit LinkRig(int family = 0) : key(family), record(std::make_unique<AssemblyRecord>()) {
        link.portName = "sim";
        key.logRequests = true;
        record->StartUp();
        record->deviceFamily = uint8_t(family);
        record->ClearImage();
        record->transfer = record->assembled;
    }

    FakeTickSource ticks;
    ScriptedPrompter prompter;
    VirtualKey key;
    PortFactory ports{&key, ticks};
    KeyLink link{ports, ticks, prompter};
    std::unique_ptr<AssemblyRecord> record;
    IrcCalibration irc;
    TProgressForm progress;
    DeviceUnit device{link, *record, progress, prompter, irc};

    std::string LastMessage() const {
        return prompter.messages.empty() ? std::string() : prompter.messages.back().text;
    }
};

// Answers the next modal window that opens: runs `inside` while it is up, then `close` on it
// (accept by default). Counts how many it answered. Looking stops when it goes.
class ModalAnswerer : public QObject {
public:
    int answered = 0;

    void Next(std::function<void(QDialog&)> inside = {}, std::function<void(QDialog&)> close = {}) {
        QTimer::singleShot(0, this, [this, inside, close] { Poll(inside, close, 0); });
    }

private:
    void Poll(std::function<void(QDialog&)> inside, std::function<void(QDialog&)> close,
              int tries) {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (tries < 200)
                // Bound to this answerer, so a poll still waiting when a test ends dies with it
                // rather than answering the next test's window.
                QTimer::singleShot(
                    5, this, [this, inside, close, tries] { Poll(inside, close, tries + 1); });
            return;
        }
        ++answered;
        if (inside) inside(*dialog);
        if (close)
            close(*dialog);
        else if (dialog->isVisible())
            dialog->accept();
    }
};

// A folder of its own for a test's files.
class TempFolder {
public:
    explicit TempFolder(const std::string& tag) {
        path_ = std::filesystem::temp_directory_path() /
                ("pellix-devwin-" + tag + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::string Slurp(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// An image file of `record`'s `assembled`.
inline bool WriteImageFile(AssemblyRecord& record, const std::string& name) {
    if (!WriteHex(record)) return false;
    std::ofstream(name, std::ios::binary) << record.debug.ListingText();
    return true;
}

// Counts paint events of a widget, and whether it was painted before anything returned to
// the event loop.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& w) { w.installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

} // namespace pellix::test
