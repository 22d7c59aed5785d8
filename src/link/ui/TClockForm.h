// The "Clock" window: sets the key's clock generator by typing megahertz or with a slider,
// switches it on and off and resets the chip. The main window connects the key before it
// opens the window modally; the window holds the port, polls the key every 500 ms so it
// notices a lost key, and releases the key when it closes. The generator keeps running
// afterwards unless it was switched off.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <QDialog>

#include "link/KeyLink.h"
#include "link/KeyProtocol.h"
#include "target/AssemblyRecord.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSlider;
class QTimer;

namespace pellix {

inline constexpr int kClockTimerInterval = 500; // ms
inline constexpr int kClockEditLength = 7;
inline constexpr int kClockSliderPage = 100;

class TClockForm : public QDialog {
    Q_OBJECT
public:
    // What exec() returns when the port was lost and the window closed itself.
    static constexpr int kAbortResult = 3;

    TClockForm(KeyLink& link, AssemblyRecord& record, QWidget* parent = nullptr);

    // The main window's status text (its third panel).
    std::function<void(const std::string&)> showStatus;
    // Called as the window opens; the program raises the process priority.
    std::function<void()> raisePriority;

    // The handlers. Each stops at a link error, whose box has then been shown; none throws.
    void FormShow();
    void FormHide();
    // The frequency the form holds, within 400 kHz to 110 MHz, into the edit, the slider and,
    // when it differs from the record's (or `force`), the record and the key.
    void Apply(uint64_t frequency, bool force = false);
    void TrackBarChange(int position);
    // The edit's text as megahertz.
    void EditApply();
    void CheckBoxClick(bool on);
    void ResetButtonClick();
    void OkayButtonClick();
    void TimerTick();

    uint32_t FormFrequency() const { return formFrequency_; }
    QLineEdit& Edit() { return *edit_; }
    QSlider& TrackBar() { return *slider_; }
    QCheckBox& OnBox() { return *on_; }
    QTimer& Timer() { return *timer_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Guarded(const std::function<void()>& body);
    void ApplyFrequency(uint64_t frequency, bool force);
    bool EditKey(int key, const QString& text, Qt::KeyboardModifiers modifiers);
    void SetStatus(const std::string& text);

    KeyLink& link_;
    KeyProtocol protocol_;
    AssemblyRecord& record_;
    uint32_t formFrequency_ = 0;

    QLineEdit* edit_ = nullptr;
    QSlider* slider_ = nullptr;
    QCheckBox* on_ = nullptr;
    QPushButton* reset_ = nullptr;
    QPushButton* okay_ = nullptr;
    QTimer* timer_ = nullptr;
};

} // namespace pellix
