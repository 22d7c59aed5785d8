#include "debugger/ui/TTerminalForm.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include "sim/LabBench.h"
#include "sim/VirtualChip.h"

namespace pellix {

namespace {

// Enough for a long session's output without growing without end.
constexpr int kMaxLines = 10000;

QString Latin1(std::string_view s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

// Which pins a chip has, as one number, to see when another chip came onto the board.
uint64_t PinSignature(const LabBench* bench) {
    if (!bench) return 0;
    uint64_t signature = 1;
    for (int port = 0; port < SxPorts::kMaxPorts; ++port)
        for (int bit = 0; bit < 8; ++bit)
            if (bench->Exists(LabPin::PortPin(port, bit)))
                signature |= uint64_t{1} << (1 + port * 8 + bit);
    return signature;
}

} // namespace

// ---- TerminalView ----

TerminalView::TerminalView(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("TerminalView"));
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setMaximumBlockCount(kMaxLines);
    setFocusPolicy(Qt::StrongFocus);
    // Selectable by keyboard too, so that the caret shows where the output goes on.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setPlaceholderText(tr("What the program sends on TX appears here. Click here and type to "
                          "send into RX."));
}

void TerminalView::Append(const std::vector<TerminalPiece>& pieces) {
    if (pieces.empty()) return;
    QScrollBar* bar = verticalScrollBar();
    const bool follow = bar->value() == bar->maximum();
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    QTextCharFormat plain;
    QTextCharFormat escape;
    escape.setForeground(palette().color(QPalette::PlaceholderText));
    QTextCharFormat framing;
    framing.setForeground(QColor(0xB0, 0x00, 0x00));
    framing.setBackground(QColor(0xFF, 0xDD, 0xDD));
    c.beginEditBlock();
    for (const TerminalPiece& p : pieces) {
        switch (p.kind) {
        case TerminalPiece::Kind::Text:
            c.insertText(Latin1(p.text), plain);
            break;
        case TerminalPiece::Kind::Escape:
            c.insertText(Latin1(p.text), escape);
            break;
        case TerminalPiece::Kind::LineBreak:
            c.insertBlock();
            break;
        case TerminalPiece::Kind::FramingError:
            c.insertText(QStringLiteral("[%1]").arg(Latin1(p.text)), framing);
            break;
        }
    }
    c.endEditBlock();
    if (!textCursor().hasSelection()) setTextCursor(c);
    if (follow) bar->setValue(bar->maximum());
}

void TerminalView::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    // Copying a selection and pasting, as in other terminals; Ctrl+C with nothing selected
    // is the control byte.
    if ((e->matches(QKeySequence::Copy) && textCursor().hasSelection()) ||
        (ctrl && shift && e->key() == Qt::Key_C)) {
        copy();
        return;
    }
    if (e->matches(QKeySequence::Paste) || (ctrl && shift && e->key() == Qt::Key_V)) {
        PasteClipboard();
        return;
    }
    if (e->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit enterTyped();
        return;
    case Qt::Key_Backspace:
        emit typed(QByteArray(1, '\b'));
        return;
    case Qt::Key_Tab:
        emit typed(QByteArray(1, '\t'));
        return;
    case Qt::Key_Escape:
        emit typed(QByteArray(1, '\x1B'));
        return;
    case Qt::Key_Delete:
        emit typed(QByteArray(1, '\x7F'));
        return;
    default:
        break;
    }
    if (ctrl && !(mods & Qt::AltModifier) && e->key() >= Qt::Key_At &&
        e->key() <= Qt::Key_Underscore) {
        emit typed(QByteArray(1, char(e->key() - Qt::Key_At)));
        return;
    }
    const QString text = e->text();
    if (!ctrl && !text.isEmpty() && text.at(0).isPrint()) {
        emit typed(text.toUtf8());
        return;
    }
    // Scrolling and the rest stay the view's.
    QPlainTextEdit::keyPressEvent(e);
}

bool TerminalView::focusNextPrevChild(bool) {
    return false; // Tab is a byte for the chip
}

void TerminalView::insertFromMimeData(const QMimeData* source) {
    if (source && source->hasText()) SendText(source->text());
}

void TerminalView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copyAction = menu.addAction(tr("&Copy"), this, &QPlainTextEdit::copy);
    copyAction->setEnabled(textCursor().hasSelection());
    QAction* paste = menu.addAction(tr("&Paste (send)"), this, &TerminalView::PasteClipboard);
    paste->setEnabled(!QApplication::clipboard()->text().isEmpty());
    menu.addSeparator();
    menu.addAction(tr("Select &All"), this, &QPlainTextEdit::selectAll);
    menu.exec(event->globalPos());
}

void TerminalView::PasteClipboard() {
    SendText(QApplication::clipboard()->text());
}

// Pasted lines end as Enter ends them.
void TerminalView::SendText(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = t.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) emit enterTyped();
        if (!lines[i].isEmpty()) emit typed(lines[i].toUtf8());
    }
}

// ---- TTerminalForm ----

TTerminalForm::TTerminalForm(SettingsStore& settings, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::Tool), settings_(settings) {
    setObjectName(QStringLiteral("TerminalForm"));
    setWindowTitle(QStringLiteral("Terminal"));

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(6, 6, 6, 6);
    main->setSpacing(4);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(4);
    auto combo = [this, bar](const char* name, const QString& label, const QString& tip) {
        auto* l = new QLabel(label, this);
        auto* c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->setToolTip(tip);
        l->setBuddy(c);
        bar->addWidget(l);
        bar->addWidget(c);
        return c;
    };
    rx_ =
        combo("TerminalRxCB", tr("&RX"), tr("The chip's receive pin: what you type goes in here"));
    tx_ = combo("TerminalTxCB", tr("&TX"), tr("The chip's transmit pin: what it sends is shown"));
    bar->addSpacing(8);
    baud_ =
        combo("TerminalBaudCB", tr("&Baud"), tr("The rate, 8 data bits, no parity, 1 stop bit"));
    baud_->setEditable(true);
    baud_->setInsertPolicy(QComboBox::NoInsert);
    baud_->lineEdit()->setValidator(new QIntValidator(1, int(kMaxTerminalBaud), baud_));
    for (uint32_t b : kTerminalBauds)
        baud_->addItem(QString::number(b));
    baud_->setMinimumContentsLength(7);
    bar->addSpacing(8);
    enter_ = combo("TerminalEnterCB", tr("&Enter sends"), tr("What the Enter key sends"));
    for (int i = 0; i < kEnterSendsChoices; ++i)
        enter_->addItem(QString::fromLatin1(EnterSendsText(EnterSends(i))));
    bar->addStretch(1);
    clear_ = new QPushButton(tr("C&lear"), this);
    clear_->setObjectName(QStringLiteral("TerminalClearButton"));
    clear_->setToolTip(tr("Clear the screen and the counts"));
    clear_->setAutoDefault(false);
    bar->addWidget(clear_);
    main->addLayout(bar);

    view_ = new TerminalView(this);
    main->addWidget(view_, 1);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("TerminalStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    main->addWidget(status_);

    for (QComboBox* c : {rx_, tx_, enter_})
        connect(c, &QComboBox::activated, this, [this] { TakeChoice(); });
    connect(baud_, &QComboBox::activated, this, [this] { TakeChoice(); });
    connect(baud_->lineEdit(), &QLineEdit::editingFinished, this, [this] { TakeChoice(); });
    connect(clear_, &QPushButton::clicked, this, [this] {
        view_->clear();
        terminal_.ClearCounts();
        notice_.clear();
        UpdateStatus();
        view_->setFocus();
    });
    connect(view_, &TerminalView::typed, this, &TTerminalForm::Send);
    connect(view_, &TerminalView::enterTyped, this, [this] {
        const std::string_view enter = EnterBytes(choice_.enter);
        Send(QByteArray(enter.data(), qsizetype(enter.size())));
    });

    // Output comes inside the link's operations; it is shown once they are over.
    terminal_.outputArrived = [this] {
        if (flushQueued_) return;
        flushQueued_ = true;
        QTimer::singleShot(0, this, [this] { Flush(); });
    };

    choice_ = ReadTerminalChoice(settings_);
    FillPins();
    ShowChoice();
    UpdateStatus();
    resize(640, 360);
    setFocusProxy(view_);
}

TTerminalForm::~TTerminalForm() {
    terminal_.outputArrived = nullptr;
}

void TTerminalForm::SetBench(LabBench* bench) {
    if (bench == terminal_.Bench()) return;
    terminal_.SetBench(bench);
    FillPins();
    ShowChoice();
    if (open_) Connect();
    UpdateStatus();
}

void TTerminalForm::LabChipChanged(VirtualChip* chip) {
    SetBench(chip ? &chip->Lab() : nullptr);
}

void TTerminalForm::Refresh() {
    if (PinSignature(terminal_.Bench()) != pinsOf_) {
        FillPins();
        ShowChoice();
        // Another chip: a pin the last one lacked may be there now, or the other way round.
        if (open_) Connect();
    }
    Flush();
}

void TTerminalForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous() || open_) return;
    open_ = true;
    choice_ = ReadTerminalChoice(settings_);
    FillPins();
    ShowChoice();
    Connect();
    view_->setFocus();
    emit opened();
}

void TTerminalForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous() || !open_) return;
    open_ = false;
    Flush();
    terminal_.Disconnect();
    UpdateStatus();
    emit closed();
}

// The chip's port pins, and the pin chosen even when this chip lacks it (the status says so).
void TTerminalForm::FillPins() {
    LabBench* bench = terminal_.Bench();
    pinsOf_ = PinSignature(bench);
    for (QComboBox* c : {rx_, tx_}) {
        const std::optional<LabPin>& chosen = c == rx_ ? choice_.rx : choice_.tx;
        c->clear();
        c->addItem(tr("none"), QString());
        for (int port = 0; port < SxPorts::kMaxPorts; ++port)
            for (int bit = 0; bit < 8; ++bit) {
                const LabPin pin = LabPin::PortPin(port, bit);
                // Without a chip, every pin any chip has.
                if (!bench || bench->Exists(pin) || (chosen && *chosen == pin)) {
                    const QString name = QString::fromStdString(LabPinName(pin));
                    c->addItem(name, name);
                }
            }
    }
}

void TTerminalForm::ShowChoice() {
    auto select = [](QComboBox* c, const std::optional<LabPin>& pin) {
        const QString name = pin ? QString::fromStdString(LabPinName(*pin)) : QString();
        c->setCurrentIndex(std::max(0, c->findData(name)));
    };
    select(rx_, choice_.rx);
    select(tx_, choice_.tx);
    baud_->setEditText(QString::number(choice_.baud));
    enter_->setCurrentIndex(int(choice_.enter));
}

void TTerminalForm::TakeChoice() {
    TerminalChoice next = choice_;
    auto pin = [](QComboBox* c) -> std::optional<LabPin> {
        const QString name = c->currentData().toString();
        if (name.isEmpty()) return std::nullopt;
        return ParseLabPin(name.toStdString());
    };
    next.rx = pin(rx_);
    next.tx = pin(tx_);
    bool ok = false;
    const uint32_t baud = baud_->currentText().trimmed().toUInt(&ok);
    if (ok && baud > 0 && baud <= kMaxTerminalBaud) next.baud = baud;
    next.enter = EnterSends(std::clamp(enter_->currentIndex(), 0, kEnterSendsChoices - 1));
    ShowChoice(); // a rate that was no rate goes back to the last one
    if (next == choice_) return;
    const bool reconnect =
        next.rx != choice_.rx || next.tx != choice_.tx || next.baud != choice_.baud;
    choice_ = next;
    WriteTerminalChoice(settings_, choice_);
    ShowChoice();
    if (reconnect && open_) Connect();
    UpdateStatus();
}

void TTerminalForm::Connect() {
    Flush();
    error_.clear();
    notice_.clear();
    if (!terminal_.Bench()) {
        terminal_.Disconnect();
    } else if (!choice_.rx && !choice_.tx) {
        terminal_.Disconnect();
        error_ = "Choose an RX pin, a TX pin or both";
    } else if (!terminal_.Connect(choice_, error_) && !error_.empty()) {
        error_[0] = char(std::toupper(static_cast<unsigned char>(error_[0])));
    }
    UpdateStatus();
}

void TTerminalForm::Send(const QByteArray& bytes) {
    if (bytes.isEmpty()) return;
    if (terminal_.Send(std::string_view(bytes.constData(), size_t(bytes.size())))) {
        notice_.clear();
    } else if (error_.empty()) {
        notice_ = tr("Not sent: choose an RX pin to type into the chip");
    }
    UpdateStatus();
}

void TTerminalForm::Flush() {
    flushQueued_ = false;
    if (terminal_.HasOutput()) view_->Append(terminal_.TakeOutput());
    UpdateStatus();
}

QString TTerminalForm::StatusText() const {
    return status_->text();
}

void TTerminalForm::UpdateStatus() {
    QString text;
    bool problem = false;
    if (!error_.empty()) {
        text = QString::fromStdString(error_);
        problem = true;
    } else if (!terminal_.Bench()) {
        text = tr("Connects to the virtual key's chip (port SIM in Configure)");
    } else if (!terminal_.Connected()) {
        text = tr("Not connected");
    } else {
        text = QString::fromStdString(terminal_.StatusText());
        if (!notice_.isEmpty()) {
            text += QStringLiteral(" \u2014 ") + notice_;
            problem = true;
        }
        // Framing errors stay in sight until cleared.
        problem = problem || terminal_.FramingErrors() > 0;
    }
    status_->setText(text);
    status_->setStyleSheet(problem ? QStringLiteral("color: #B00000") : QString());
}

} // namespace pellix
