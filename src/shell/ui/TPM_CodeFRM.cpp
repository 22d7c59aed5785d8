#include "shell/ui/TPM_CodeFRM.h"

#include <QFontDatabase>
#include <QHideEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShowEvent>
#include <QVBoxLayout>

#include "platform/FileIo.h"
#include "platform/qt/QtPlacedWindow.h"
#include "shell/ui/TEditorForm.h"

namespace pellix {

namespace {

// Indicators of the marks (the editor keeps 8 and 9 for the error highlight).
constexpr int kRedBox = 10;
constexpr int kBlueBox = 11;
constexpr int kWhiteText = 12;
constexpr unsigned kRed = 0xFF0000; // 0x00RRGGBB
constexpr unsigned kBlue = 0x0000FF;
// Where the breakpoint and the run line share a line, the breakpoint's red takes this many
// characters and the run line's blue the rest.
constexpr int kSharedRedColumns = 24;

constexpr const char* kNoMain = "There is no label that says \"Main\" in the source code.";
constexpr const char* kNoMainCaption = "No \"Main\" label";

long Bgr(unsigned rgb) {
    return long(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
}

enum Icon { CodeIcon, ResetIcon, BreakpointIcon, RunIcon, MainIcon };

QIcon MakeIcon(int which) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case CodeIcon:
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(2.5, 1.5, 11, 13));
        p.setPen(QPen(QColor(40, 40, 160), 1));
        for (int y = 4; y <= 12; y += 2)
            p.drawLine(QPointF(4.5, y + 0.5), QPointF(y % 4 ? 11.5 : 9.5, y + 0.5));
        break;
    case ResetIcon: {
        p.setPen(QPen(QColor(0, 110, 0), 2));
        p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 280 * 16);
        QPainterPath head;
        head.moveTo(9, 0.5);
        head.lineTo(13.5, 3.5);
        head.lineTo(8.5, 6);
        head.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 110, 0));
        p.drawPath(head);
        break;
    }
    case BreakpointIcon:
        p.setPen(QPen(QColor(120, 0, 0), 1));
        p.setBrush(QColor(220, 0, 0));
        p.drawEllipse(QRectF(2.5, 2.5, 11, 11));
        break;
    case RunIcon: {
        QPainterPath arrow;
        arrow.moveTo(2, 6);
        arrow.lineTo(8, 6);
        arrow.lineTo(8, 2.5);
        arrow.lineTo(14, 8);
        arrow.lineTo(8, 13.5);
        arrow.lineTo(8, 10);
        arrow.lineTo(2, 10);
        arrow.closeSubpath();
        p.setPen(QPen(QColor(0, 0, 120), 1));
        p.setBrush(QColor(0, 0, 230));
        p.drawPath(arrow);
        break;
    }
    case MainIcon: {
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(QColor(255, 255, 210));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(11);
        p.setFont(f);
        p.setPen(QColor(0, 0, 0));
        p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("M"));
        break;
    }
    }
    return QIcon(pm);
}

} // namespace

TPM_CodeFRM::TPM_CodeFRM(ListViewContext context, QWidget* parent) : QDialog(parent), c_(context) {
    setObjectName(QStringLiteral("PM_CodeFRM"));
    setWindowTitle(QStringLiteral("Code - List File"));
    setModal(false);
    resize(560, 420);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName(QStringLiteral("CodeEditorTB"));
    toolbar_->setFixedHeight(28);
    toolbar_->setIconSize(QSize(16, 16));
    toolbar_->setMovable(false);
    buttonActions_.push_back(toolbar_->addWidget(
        Button("GoToCodeTLBTN", tr("Go to Code"), CodeIcon, &TPM_CodeFRM::GoToCodeTLBTNClick)));
    buttonActions_.push_back(toolbar_->addWidget(
        Button("GoToResetTLBTN", tr("Go to Reset"), ResetIcon, &TPM_CodeFRM::GoToResetTLBTNClick)));
    buttonActions_.push_back(
        toolbar_->addWidget(Button("GoToBreakpointTLBTN", tr("Go To Breakpoint"), BreakpointIcon,
                                   &TPM_CodeFRM::GoToBreakpointTLBTNClick)));
    buttonActions_.push_back(
        toolbar_->addWidget(Button("GoToNextRunTLBTN", tr("Go To Next Run Line"), RunIcon,
                                   &TPM_CodeFRM::GoToNextRunTLBTNClick)));
    buttonActions_.push_back(
        toolbar_->addWidget(Button("GoToMainTLBTN", QStringLiteral("Jump to \"Main\""), MainIcon,
                                   &TPM_CodeFRM::GoToMainTLBTNClick)));
    layout->addWidget(toolbar_);

    code_ = new TPlusMemo(this);
    code_->setObjectName(QStringLiteral("CodePLSMO"));
    code_->SetReadOnly(true);
    code_->Widget().setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    code_->viewport()->installEventFilter(this);
    layout->addWidget(code_, 1);

    for (int ind : {kRedBox, kBlueBox}) {
        code_->SendScintilla(QsciScintillaBase::SCI_INDICSETSTYLE, ind,
                             long(QsciScintillaBase::INDIC_STRAIGHTBOX));
        code_->SendScintilla(QsciScintillaBase::SCI_INDICSETALPHA, ind, 255L);
        code_->SendScintilla(QsciScintillaBase::SCI_INDICSETOUTLINEALPHA, ind, 255L);
        code_->SendScintilla(QsciScintillaBase::SCI_INDICSETUNDER, ind, 1L);
    }
    code_->SendScintilla(QsciScintillaBase::SCI_INDICSETFORE, kRedBox, Bgr(kRed));
    code_->SendScintilla(QsciScintillaBase::SCI_INDICSETFORE, kBlueBox, Bgr(kBlue));
    code_->SendScintilla(QsciScintillaBase::SCI_INDICSETSTYLE, kWhiteText,
                         long(QsciScintillaBase::INDIC_TEXTFORE));
    code_->SendScintilla(QsciScintillaBase::SCI_INDICSETFORE, kWhiteText, Bgr(0xFFFFFF));

    EditorLook look = code_->Look();
    look.font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    code_->SetLook(look);
    if (c_.editorForm) c_.editorForm->ApplyKeywordsAndColours(*code_);
    // The list has its own line numbers and its own marks; the editor's margins and the
    // caret's tint would only cover them.
    look = code_->Look();
    look.lineNumbers = look.markerMargin = look.currentLine = false;
    code_->SetLook(look);
    if (c_.registry) {
        QtPlacedWindow placed(*this);
        c_.registry->RestoreWindow(setting::ListCodeWindow, placed);
    }
    SetButtonMode(ButtonMode::All);
}

QToolButton* TPM_CodeFRM::Button(const char* name, const QString& hint, int icon,
                                 void (TPM_CodeFRM::*handler)()) {
    auto* b = new QToolButton;
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setFixedSize(25, 24);
    b->setIconSize(QSize(16, 16));
    b->setAutoRaise(true);
    b->setIcon(MakeIcon(icon));
    connect(b, &QToolButton::clicked, this, [this, handler] { (this->*handler)(); });
    return b;
}

// ---- what others call ------------------------------------------------------------------

void TPM_CodeFRM::SetButtonMode(ButtonMode mode) {
    mode_ = mode;
    const bool browse[5] = {true, true, false, false, true};
    for (size_t i = 0; i < buttonActions_.size(); ++i)
        buttonActions_[i]->setVisible(mode == ButtonMode::All ||
                                      (mode == ButtonMode::Browse && browse[i]));
    UpdateButtonStates();
}

bool TPM_CodeFRM::BrowseList(const std::string& sourcePath) {
    SetButtonMode(ButtonMode::Browse);
    if (LoadAndShow(sourcePath)) return true;
    toolbar_->hide();
    return false;
}

bool TPM_CodeFRM::LoadAndShow(const std::string& sourcePath) {
    if (!c_.bridge || sourcePath.empty() || !FileExists(sourcePath)) return false;
    const std::string listPath = c_.bridge->OutputFileFor(sourcePath, ".lst");
    FileRead r = ReadWholeFile(listPath);
    if (!r.ok) {
        if (c_.prompter)
            c_.prompter->Message("Couldn't open \"" + listPath + "\":\r" + r.error,
                                 "File Open ERROR", PromptButtons::Ok, PromptIcon::Error);
        return false;
    }
    breakpointLine_ = runLine_ = -1;
    code_->SetText(r.data);
    code_->SetModified(false);
    code_->ClearUndo();
    const int count = code_->LineCount();
    listOfView_ = ListLinesOfView([this](int i) { return code_->LineText(i); }, count);
    viewOfList_.assign(size_t(count) + 2, -1);
    for (int i = 0; i < count; ++i)
        if (size_t(listOfView_[size_t(i)]) < viewOfList_.size())
            viewOfList_[size_t(listOfView_[size_t(i)])] = i;
    Paint();
    UpdateButtonStates();
    show();
    raise();
    return true;
}

void TPM_CodeFRM::PrepareForDebugging() {
    toolbar_->show();
    SetButtonMode(ButtonMode::All);
}

void TPM_CodeFRM::CloseList() {
    if (c_.registry) {
        QtPlacedWindow placed(*this);
        c_.registry->SaveWindow(setting::ListCodeWindow, placed);
        c_.registry->Flush();
    }
    hide();
}

void TPM_CodeFRM::ShowDebugState(uint32_t breakpoint, uint32_t programCounter, bool skip) {
    int bp = ViewLineOfAddress(breakpoint);
    if (bp >= 0)
        Mark(MarkKind::SetBreakpoint, bp);
    else
        Mark(MarkKind::ClearBreakpoint);
    uint32_t next = programCounter + (skip ? 1 : 0);
    if (c_.bridge && c_.bridge->MapCount() > 0)
        next &= uint32_t(c_.bridge->Map().MemoryWords() - 1);
    int run = ViewLineOfAddress(next);
    if (run >= 0) {
        Mark(MarkKind::SetRun, run);
        ShowLine(run, true);
    } else {
        // An old mark would point at an instruction that is not the next one.
        Mark(MarkKind::ClearRun);
    }
}

void TPM_CodeFRM::GoToReset() {
    if (!c_.bridge) return;
    int listing = c_.bridge->ResetLine();
    if (listing < 0) return;
    int view = ViewLineOfListingLine([this](int i) { return code_->LineText(i); },
                                     code_->LineCount(), listing);
    if (view < 1) return;
    Mark(MarkKind::SetRun, view - 1);
    ShowLine(view - 1, false);
}

// ---- buttons ---------------------------------------------------------------------------

void TPM_CodeFRM::GoToCodeTLBTNClick() {
    if (!c_.bridge || c_.bridge->MapCount() == 0) return;
    int line = ViewLineOfListLine(c_.bridge->ListLineOfRecord(0));
    if (line >= 0) ShowLine(line, true);
}

void TPM_CodeFRM::GoToResetTLBTNClick() {
    GoToReset();
}

void TPM_CodeFRM::GoToBreakpointTLBTNClick() {
    if (breakpointLine_ >= 0) ShowLine(breakpointLine_, false);
}

void TPM_CodeFRM::GoToNextRunTLBTNClick() {
    if (runLine_ >= 0) ShowLine(runLine_, false);
}

void TPM_CodeFRM::GoToMainTLBTNClick() {
    T_EXTLANG_SymbolInfo main;
    if (c_.bridge) main = c_.bridge->FindSymbol("main", false);
    if (main.name.empty()) {
        if (c_.prompter)
            c_.prompter->Message(kNoMain, kNoMainCaption, PromptButtons::Ok,
                                 PromptIcon::Information);
        return;
    }
    int view = ViewLineOfListingLine([this](int i) { return code_->LineText(i); },
                                     code_->LineCount(), main.line);
    if (view >= 1) ShowLine(view - 1, true);
}

// ---- clicks ----------------------------------------------------------------------------

void TPM_CodeFRM::CodePLSMOMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    plainClick_ = !(button == Qt::LeftButton && modifiers == Qt::AltModifier);
}

int TPM_CodeFRM::AddressOfViewLine(int line) const {
    if (!c_.bridge) return -1;
    int listLine = ListLineOfViewLine(line);
    if (listLine < 1) return -1;
    return c_.bridge->AddressOfRecord(c_.bridge->MapIndexOfListLine(listLine));
}

void TPM_CodeFRM::CodePLSMOClick(int line) {
    if (!session_ || !session_->StateValid()) return;
    int address = AddressOfViewLine(line);
    if (address < 0) return;
    // An Alt+click has no click before it whose breakpoint would need putting back.
    if (plainClick_)
        session_->ToggleBreakpoint(address);
    else
        session_->MoveProgramCounter(address);
    MarkFromSession();
}

void TPM_CodeFRM::CodePLSMODblClick(int line) {
    if (!session_ || !session_->StateValid()) return;
    int address = AddressOfViewLine(line);
    if (address < 0) return;
    session_->SetProgramCounter(address);
    code_->SetCurrentLine(line);
    MarkFromSession();
}

void TPM_CodeFRM::MarkFromSession() {
    // The session may have refused the request (a word never written) or restored the
    // breakpoint a first click of a double click had moved; the marks show what it holds.
    int bp = ViewLineOfAddress(session_->Breakpoint());
    uint32_t next = session_->ProgramCounter() + (session_->Skip() ? 1 : 0);
    if (c_.bridge && c_.bridge->MapCount() > 0)
        next &= uint32_t(c_.bridge->Map().MemoryWords() - 1);
    int run = ViewLineOfAddress(next);
    if (bp >= 0)
        Mark(MarkKind::SetBreakpoint, bp);
    else
        Mark(MarkKind::ClearBreakpoint);
    if (run >= 0)
        Mark(MarkKind::SetRun, run);
    else
        Mark(MarkKind::ClearRun);
}

bool TPM_CodeFRM::eventFilter(QObject* watched, QEvent* event) {
    if (watched == code_->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* m = static_cast<QMouseEvent*>(event);
            CodePLSMOMouseDown(m->button(), m->modifiers());
            pressed_ = m->button() == Qt::LeftButton;
            pressLine_ = code_->Widget().lineAt(m->position().toPoint());
            afterDoubleClick_ = false;
            break;
        }
        case QEvent::MouseButtonRelease: {
            auto* m = static_cast<QMouseEvent*>(event);
            int line = code_->Widget().lineAt(m->position().toPoint());
            // A drag to another line is a selection, and the release that ends a double
            // click is no click of its own.
            bool click = pressed_ && !afterDoubleClick_ && m->button() == Qt::LeftButton &&
                         line >= 0 && line == pressLine_;
            pressed_ = false;
            afterDoubleClick_ = false;
            if (click) CodePLSMOClick(line);
            break;
        }
        case QEvent::MouseButtonDblClick: {
            auto* m = static_cast<QMouseEvent*>(event);
            if (m->button() != Qt::LeftButton) break;
            afterDoubleClick_ = true;
            int line = code_->Widget().lineAt(m->position().toPoint());
            if (line >= 0) CodePLSMODblClick(line);
            break;
        }
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- marks -----------------------------------------------------------------------------

void TPM_CodeFRM::Mark(MarkKind kind, int line) {
    switch (kind) {
    case MarkKind::RemoveBoth:
        breakpointLine_ = runLine_ = -1;
        break;
    case MarkKind::SetBreakpoint:
        breakpointLine_ = line;
        break;
    case MarkKind::ClearBreakpoint:
        breakpointLine_ = -1;
        break;
    case MarkKind::SetRun:
        runLine_ = line;
        break;
    case MarkKind::ClearRun:
        runLine_ = -1;
        break;
    }
    Paint();
    UpdateButtonStates();
}

void TPM_CodeFRM::Paint() {
    const long length = code_->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    for (int ind : {kRedBox, kBlueBox, kWhiteText}) {
        code_->SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT, ind);
        code_->SendScintilla(QsciScintillaBase::SCI_INDICATORCLEARRANGE, 0UL, length);
    }
    auto fill = [this](int ind, int from, int to) {
        if (to <= from) return;
        code_->SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT, ind);
        code_->SendScintilla(QsciScintillaBase::SCI_INDICATORFILLRANGE, (unsigned long)from,
                             long(to - from));
    };
    const int lines = code_->LineCount();
    auto valid = [lines](int l) { return l >= 0 && l < lines; };
    for (int line : {breakpointLine_, runLine_}) {
        if (!valid(line)) continue;
        int from = code_->PositionOfLine(line), to = code_->LineEndPosition(line);
        fill(kWhiteText, from, to);
        if (line == breakpointLine_ && line == runLine_) {
            int split = std::min(from + kSharedRedColumns, to);
            fill(kRedBox, from, split);
            fill(kBlueBox, split, to);
        } else {
            fill(line == breakpointLine_ ? kRedBox : kBlueBox, from, to);
        }
    }
}

unsigned TPM_CodeFRM::MarkColorAt(int line, int column) const {
    if (line < 0 || line >= code_->LineCount()) return 0;
    int pos = code_->PositionOfLine(line) + column;
    if (pos >= code_->LineEndPosition(line)) return 0;
    auto on = [&](int ind) {
        return code_->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, (unsigned long)ind,
                                    long(pos)) != 0;
    };
    if (on(kRedBox)) return kRed;
    if (on(kBlueBox)) return kBlue;
    return 0;
}

bool TPM_CodeFRM::MarkTextAt(int line, int column) const {
    if (line < 0 || line >= code_->LineCount()) return false;
    int pos = code_->PositionOfLine(line) + column;
    if (pos >= code_->LineEndPosition(line)) return false;
    return code_->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, (unsigned long)kWhiteText,
                                long(pos)) != 0;
}

void TPM_CodeFRM::UpdateButtonStates() {
    if (auto* b = findChild<QToolButton*>(QStringLiteral("GoToBreakpointTLBTN")))
        b->setEnabled(breakpointLine_ >= 0);
    if (auto* b = findChild<QToolButton*>(QStringLiteral("GoToNextRunTLBTN")))
        b->setEnabled(runLine_ >= 0);
}

void TPM_CodeFRM::ShowLine(int line, bool moveCaret) {
    if (line < 0 || line >= code_->LineCount()) return;
    if (moveCaret) {
        code_->SetCurrentLine(line);
        code_->ScrollCaretIntoView();
        return;
    }
    // Shown without moving the caret: the first visible line moves when it must.
    const long first = code_->SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE);
    const long onScreen = code_->SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN);
    if (line < first || line >= first + std::max(onScreen, 1L))
        code_->SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE,
                             (unsigned long)std::max(0L, line - std::max(onScreen, 1L) / 2));
}

int TPM_CodeFRM::ViewLineOfListLine(int listLine) const {
    if (listLine < 0 || size_t(listLine) >= viewOfList_.size()) return -1;
    return viewOfList_[size_t(listLine)];
}

int TPM_CodeFRM::ListLineOfViewLine(int line) const {
    if (line < 0 || size_t(line) >= listOfView_.size()) return -1;
    return listOfView_[size_t(line)];
}

int TPM_CodeFRM::ViewLineOfAddress(uint32_t address) const {
    if (!c_.bridge || address > 0xFFFF) return -1;
    int i = c_.bridge->MapIndexOfAddress(int(address));
    return i < 0 ? -1 : ViewLineOfListLine(c_.bridge->ListLineOfRecord(i));
}

// ---- window events ---------------------------------------------------------------------

void TPM_CodeFRM::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (c_.editorForm) {
        EditorLook look = code_->Look();
        look.font = c_.editorForm->TemplateEditor().Look().font;
        code_->SetLook(look);
    }
    UpdateButtonStates();
}

void TPM_CodeFRM::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    toolbar_->show();
    SetButtonMode(ButtonMode::All);
}

} // namespace pellix
