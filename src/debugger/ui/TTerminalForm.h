// The Terminal window: a serial terminal on two pins of the virtual key's chip. What the
// program sends on its TX pin appears as text; what the user types goes into its RX pin.
// The pins and the rate are the user's choice, kept in the settings. It talks to the chip
// only while it is open, and only on the virtual key.
#pragma once

#include <QPlainTextEdit>
#include <QWidget>

#include "debugger/TerminalUnit.h"
#include "debugger/ui/LabView.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace pellix {

class LabBench;
class SettingsStore;

// The screen: received text, and every key typed sent to the chip instead of edited in.
class TerminalView final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TerminalView(QWidget* parent);
    // Adds received pieces at the end, following them when the view was at the end.
    void Append(const std::vector<TerminalPiece>& pieces);

signals:
    void typed(const QByteArray& bytes);
    // Enter: the window knows what it sends.
    void enterTyped();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void insertFromMimeData(const QMimeData* source) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void PasteClipboard();
    void SendText(const QString& text);
};

class TTerminalForm final : public QWidget, public LabView {
    Q_OBJECT
public:
    explicit TTerminalForm(SettingsStore& settings, QWidget* parent = nullptr);
    ~TTerminalForm() override;

    // The virtual key's bench, or nullptr (a real key). While the window is open it
    // connects to the bench it is given.
    void SetBench(LabBench* bench);
    // Brings the window up to date: what arrived, the counts, the chip's pins. The debug
    // window calls it at its update speed; output also shows by itself as it comes.
    void Refresh();

    // As a lab window of the debug window: the session's chip, and its update speed.
    void LabChipChanged(VirtualChip* chip) override;
    void LabRefresh() override { Refresh(); }

    const TerminalChoice& Choice() const { return choice_; }
    SerialTerminal& Terminal() { return terminal_; }
    QString StatusText() const;

signals:
    // The window was opened (shown by the program, not restored by the window system).
    void opened();
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FillPins();
    void ShowChoice();
    void TakeChoice();
    void Connect();
    void Send(const QByteArray& bytes);
    void Flush();
    void UpdateStatus();

    SettingsStore& settings_;
    SerialTerminal terminal_;
    TerminalChoice choice_;
    std::string error_;
    QString notice_;                 // the last typing that went nowhere
    uint64_t pinsOf_ = ~uint64_t{0}; // the chip whose pins the lists show
    bool flushQueued_ = false;
    bool open_ = false;

    QComboBox* rx_ = nullptr;
    QComboBox* tx_ = nullptr;
    QComboBox* baud_ = nullptr;
    QComboBox* enter_ = nullptr;
    QPushButton* clear_ = nullptr;
    TerminalView* view_ = nullptr;
    QLabel* status_ = nullptr;
};

} // namespace pellix
