#include "editor/TPlusMemo.h"

#include <algorithm>
#include <cctype>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include "editor/TextEncoding.h"

namespace pellix {

namespace {

using Sci = QsciScintillaBase;

// Indicators of the error highlight: the background box, and the text in the font colour.
constexpr int kHighlightBox = 8;
constexpr int kHighlightText = 9;

// Margins: line numbers, then the marks.
constexpr int kNumberMargin = 0;
constexpr int kMarkMargin = 1;
// Markers: the breakpoint's dot and line, the next instruction's arrow and line, anchors.
constexpr int kBreakDot = 1;
constexpr int kBreakBack = 2;
constexpr int kRunArrow = 3;
constexpr int kRunBack = 4;
constexpr int kAnchor = 5;
constexpr unsigned kMarginMarks = (1u << kBreakDot) | (1u << kRunArrow);
constexpr int kDwellMs = 500;

long Bgr(QColor c) {
    return long(c.red()) | (long(c.green()) << 8) | (long(c.blue()) << 16);
}

QsciScintilla::EolMode EolOf(const std::string& text) {
    size_t i = text.find_first_of("\r\n");
    if (i == std::string::npos) return QsciScintilla::EolUnix;
    if (text[i] == '\n') return QsciScintilla::EolUnix;
    if (i + 1 < text.size() && text[i + 1] == '\n') return QsciScintilla::EolWindows;
    return QsciScintilla::EolMac;
}

bool IsKeyEvent(const QEvent* event) {
    const QEvent::Type t = event->type();
    return t == QEvent::KeyPress || t == QEvent::KeyRelease || t == QEvent::InputMethod;
}

} // namespace

// The QScintilla widget. Keys it leaves go on to the TPlusMemo around it, as to any
// parent; it notes them, so that TPlusMemo passes them on up instead of back.
class TPlusMemo::Scintilla final : public QsciScintilla {
public:
    using QsciScintilla::QsciScintilla;

    // Handles a key addressed to the TPlusMemo as if it had been sent here.
    bool Deliver(QEvent* event) {
        const bool handled = QsciScintilla::event(event);
        left_ = nullptr;
        return handled;
    }
    bool Left(const QEvent* event) {
        const bool left = event == left_;
        if (left) left_ = nullptr;
        return left;
    }

protected:
    bool event(QEvent* event) override {
        const bool handled = QsciScintilla::event(event);
        if (IsKeyEvent(event)) left_ = event->isAccepted() ? nullptr : event;
        return handled;
    }

private:
    const QEvent* left_ = nullptr;
};

TPlusMemo::TPlusMemo(QWidget* parent) : QWidget(parent) {
    // Made here, not in the initialiser list: adding a child already sends this an event.
    sci_ = new Scintilla(this);
    lexer_ = new SxLexer(sci_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(sci_);
    setFocusProxy(sci_);
    QsciScintilla& s = *sci_;
    // Bytes in, bytes out: a new text is UTF-8 until SetText is given bytes that are not.
    s.setUtf8(true);
    s.setLexer(lexer_);
    s.setEolMode(QsciScintilla::EolUnix);
    s.setEolVisibility(false);
    s.setWrapMode(QsciScintilla::WrapNone);
    s.setTabWidth(2);
    s.setIndentationsUseTabs(true);
    s.setAutoIndent(false);
    s.setMarginWidth(0, 0);
    s.setMarginWidth(1, 0);
    s.setMarginWidth(2, 0);
    Send(Sci::SCI_SETMARGINLEFT, 0, 3);
    s.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    s.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Send(Sci::SCI_SETHSCROLLBAR, 1);
    Send(Sci::SCI_SETSCROLLWIDTH, 1);
    Send(Sci::SCI_SETSCROLLWIDTHTRACKING, 1);
    // Keep the selection visible while another window has the focus.
    Send(Sci::SCI_SETSELALPHA, 256);
    s.setSelectionBackgroundColor(s.palette().color(QPalette::Highlight));
    s.setSelectionForegroundColor(s.palette().color(QPalette::HighlightedText));
    // Pasted text takes the document's line ends.
    Send(Sci::SCI_SETPASTECONVERTENDINGS, 1);

    Send(Sci::SCI_INDICSETSTYLE, kHighlightBox, Sci::INDIC_STRAIGHTBOX);
    Send(Sci::SCI_INDICSETALPHA, kHighlightBox, 255);
    Send(Sci::SCI_INDICSETOUTLINEALPHA, kHighlightBox, 255);
    Send(Sci::SCI_INDICSETUNDER, kHighlightBox, 1);
    Send(Sci::SCI_INDICSETSTYLE, kHighlightText, Sci::INDIC_TEXTFORE);

    // The margins stay narrow until the look asks for them.
    s.setMarginType(kNumberMargin, QsciScintilla::NumberMargin);
    Send(Sci::SCI_SETMARGINMASKN, kNumberMargin, 0);
    s.setMarginType(kMarkMargin, QsciScintilla::SymbolMargin);
    Send(Sci::SCI_SETMARGINMASKN, kMarkMargin, long(kMarginMarks));
    Send(Sci::SCI_SETMARGINMASKN, 2, 0);
    s.setMarginSensitivity(kMarkMargin, true);
    s.markerDefine(QsciScintilla::Circle, kBreakDot);
    s.setMarkerForegroundColor(QColor(0x80, 0x00, 0x00), kBreakDot);
    s.setMarkerBackgroundColor(QColor(0xD0, 0x10, 0x10), kBreakDot);
    s.markerDefine(QsciScintilla::Background, kBreakBack);
    s.setMarkerBackgroundColor(QColor(0xFF, 0xD4, 0xD4), kBreakBack);
    s.markerDefine(QsciScintilla::RightArrow, kRunArrow);
    s.setMarkerForegroundColor(QColor(0x00, 0x20, 0x80), kRunArrow);
    s.setMarkerBackgroundColor(QColor(0x20, 0x50, 0xE0), kRunArrow);
    s.markerDefine(QsciScintilla::Background, kRunBack);
    s.setMarkerBackgroundColor(QColor(0xC4, 0xD8, 0xFF), kRunBack);
    s.markerDefine(QsciScintilla::Invisible, kAnchor);
    connect(sci_, &QsciScintilla::marginClicked, this,
            [this](int margin, int line, Qt::KeyboardModifiers) {
                if (margin == kMarkMargin) emit MarkMarginClicked(line);
            });
    connect(sci_, &QsciScintilla::linesChanged, this, &TPlusMemo::FitLineNumberMargin);

    // The mouse at rest: our own timer, as the component's own one runs only while the
    // editor has the focus (a debug window usually has it).
    hoverTimer_ = new QTimer(this);
    hoverTimer_->setSingleShot(true);
    hoverTimer_->setInterval(kDwellMs);
    connect(hoverTimer_, &QTimer::timeout, this, [this] {
        const long position = sci_->SendScintilla(Sci::SCI_POSITIONFROMPOINTCLOSE,
                                                  (unsigned long)hoverAt_.x(), long(hoverAt_.y()));
        if (position >= 0) ShowHover(int(position), hoverAt_.x(), hoverAt_.y());
    });
    connect(sci_, &QsciScintilla::cursorPositionChanged, this, &TPlusMemo::CaretMoved);
    connect(sci_, &QsciScintilla::textChanged, this, &TPlusMemo::TextChanged);
    connect(sci_, &QsciScintilla::modificationChanged, this, &TPlusMemo::ModifiedChanged);
    sci_->viewport()->setMouseTracking(true);
    sci_->viewport()->installEventFilter(this);
}

bool TPlusMemo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == sci_->viewport()) {
        switch (event->type()) {
        case QEvent::MouseMove:
            hoverAt_ = static_cast<QMouseEvent*>(event)->position().toPoint();
            if (hoverText) hoverTimer_->start();
            break;
        case QEvent::Leave:
        case QEvent::MouseButtonPress:
        case QEvent::Wheel:
            hoverTimer_->stop();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TPlusMemo::event(QEvent* event) {
    // Keys sent to this widget rather than to the focus (tests do) go to the component.
    if (sci_ && IsKeyEvent(event)) {
        auto* sci = static_cast<Scintilla*>(sci_);
        if (!sci->Left(event)) return sci->Deliver(event);
    }
    return QWidget::event(event);
}

void TPlusMemo::SetLook(const EditorLook& look) {
    look_ = look;
    lexer_->SetLook(look);
    sci_->setFont(look.font);
    sci_->setTabWidth(look.tabWidth);
    sci_->setPaper(look.paper);
    sci_->setColor(look.text);
    sci_->setCaretForegroundColor(look.text);
    Send(Sci::SCI_INDICSETFORE, kHighlightText, Bgr(look.text));

    sci_->setMarginsFont(look.font);
    sci_->setMarginsBackgroundColor(sci_->palette().color(QPalette::Window));
    sci_->setMarginsForegroundColor(sci_->palette().color(QPalette::WindowText).lighter(160));
    lineNumberDigits_ = 0;
    FitLineNumberMargin();
    const int height = QFontMetrics(look.font).height();
    sci_->setMarginWidth(kMarkMargin, look.markerMargin ? std::max(height, 12) : 0);
    sci_->setCaretLineVisible(look.currentLine);
    if (look.currentLine) {
        // A tint over the line, so the debugger's line colours still show through it.
        sci_->setCaretLineBackgroundColor(sci_->palette().color(QPalette::Highlight));
        Send(Sci::SCI_SETCARETLINEBACKALPHA, 36);
    }
}

void TPlusMemo::FitLineNumberMargin() {
    if (!look_.lineNumbers) {
        if (lineNumberDigits_ != 0 || sci_->marginWidth(kNumberMargin) != 0)
            sci_->setMarginWidth(kNumberMargin, 0);
        lineNumberDigits_ = 0;
        return;
    }
    // Room for the largest number and one more digit, so it grows before it is cut.
    int digits = 3;
    for (int n = LineCount(); n >= 1000; n /= 10)
        ++digits;
    if (digits == lineNumberDigits_) return;
    lineNumberDigits_ = digits;
    sci_->setMarginWidth(kNumberMargin, QString(digits + 1, QLatin1Char('9')));
}

int TPlusMemo::LineNumberMarginWidth() const {
    return sci_->marginWidth(kNumberMargin);
}

int TPlusMemo::StyleAt(int position) {
    Send(Sci::SCI_COLOURISE, 0, -1);
    return int(Send(Sci::SCI_GETSTYLEAT, (unsigned long)position));
}

void TPlusMemo::ReleaseKeys(const std::vector<int>& keys) {
    for (int key : keys) {
        while (QsciCommand* c = sci_->standardCommands()->boundTo(key)) {
            if (c->key() == key) c->setKey(0);
            if (c->alternateKey() == key) c->setAlternateKey(0);
        }
    }
}

std::string TPlusMemo::Text() const {
    int n = int(Send(Sci::SCI_GETLENGTH));
    QByteArray b = sci_->bytes(0, n);
    return std::string(b.constData(), size_t(n));
}

void TPlusMemo::SetText(const std::string& text) {
    bool ro = sci_->isReadOnly();
    sci_->setReadOnly(false);
    sci_->beginUndoAction();
    Send(Sci::SCI_CLEARALL);
    // The marks belonged to the old text.
    Send(Sci::SCI_MARKERDELETEALL, (unsigned long)-1);
    // UTF-8 shows as its characters; other bytes one a character. Both keep the bytes.
    sci_->setUtf8(IsUtf8(text));
    sci_->setEolMode(EolOf(text));
    if (!text.empty())
        sci_->SendScintilla(Sci::SCI_APPENDTEXT, (unsigned long)text.size(), text.data());
    sci_->endUndoAction();
    Send(Sci::SCI_GOTOPOS, 0);
    sci_->setReadOnly(ro);
}

bool TPlusMemo::IsEmpty() const {
    return Send(Sci::SCI_GETLENGTH) == 0;
}

int TPlusMemo::LineCount() const {
    return int(Send(Sci::SCI_GETLINECOUNT));
}

std::string TPlusMemo::LineText(int line) const {
    if (line < 0 || line >= LineCount()) return {};
    int from = PositionOfLine(line), to = LineEndPosition(line);
    QByteArray b = sci_->bytes(from, to);
    return std::string(b.constData(), size_t(to - from));
}

int TPlusMemo::LineOfPosition(int position) const {
    return int(Send(Sci::SCI_LINEFROMPOSITION, (unsigned long)std::max(position, 0)));
}

int TPlusMemo::PositionOfLine(int line) const {
    return int(Send(Sci::SCI_POSITIONFROMLINE, (unsigned long)std::max(line, 0)));
}

int TPlusMemo::LineEndPosition(int line) const {
    return int(Send(Sci::SCI_GETLINEENDPOSITION, (unsigned long)std::max(line, 0)));
}

int TPlusMemo::SelectionStart() const {
    return int(Send(Sci::SCI_GETSELECTIONSTART));
}

int TPlusMemo::SelectionLength() const {
    return int(Send(Sci::SCI_GETSELECTIONEND) - Send(Sci::SCI_GETSELECTIONSTART));
}

void TPlusMemo::SetSelection(int start, int length) {
    Send(Sci::SCI_SETSEL, (unsigned long)start, start + length);
}

std::string TPlusMemo::SelectedText() const {
    int from = SelectionStart(), length = SelectionLength();
    QByteArray b = sci_->bytes(from, from + length);
    return std::string(b.constData(), size_t(length));
}

void TPlusMemo::ReplaceSelection(const std::string& text) {
    std::string z = text; // the message reads up to a NUL
    sci_->SendScintilla(Sci::SCI_REPLACESEL, 0UL, z.c_str());
}

int TPlusMemo::CaretPosition() const {
    return int(Send(Sci::SCI_GETCURRENTPOS));
}

int TPlusMemo::CurrentLine() const {
    return LineOfPosition(CaretPosition());
}

int TPlusMemo::CurrentColumn() const {
    return CaretPosition() - PositionOfLine(CurrentLine());
}

void TPlusMemo::SetCurrentLine(int line) {
    line = std::clamp(line, 0, LineCount() - 1);
    Send(Sci::SCI_GOTOPOS, (unsigned long)PositionOfLine(line));
}

void TPlusMemo::SetCaret(int line, int column) {
    line = std::clamp(line, 0, LineCount() - 1);
    int pos = std::min(PositionOfLine(line) + std::max(column, 0), LineEndPosition(line));
    Send(Sci::SCI_GOTOPOS, (unsigned long)pos);
}

void TPlusMemo::ScrollCaretIntoView() {
    Send(Sci::SCI_SCROLLCARET);
}

void TPlusMemo::ClearUndo() {
    Send(Sci::SCI_EMPTYUNDOBUFFER);
}

bool TPlusMemo::Find(const std::string& text, const SearchOptions& o) {
    if (text.empty()) return false;
    int length = int(Send(Sci::SCI_GETLENGTH));
    int from, to;
    if (o.forward) {
        from = o.fromStart ? 0 : int(Send(Sci::SCI_GETSELECTIONEND));
        to = length;
    } else {
        // A start above the end searches backwards.
        from = o.fromStart ? length : int(Send(Sci::SCI_GETSELECTIONSTART));
        to = 0;
    }
    int flags =
        (o.matchCase ? Sci::SCFIND_MATCHCASE : 0) | (o.wholeWord ? Sci::SCFIND_WHOLEWORD : 0);
    Send(Sci::SCI_SETSEARCHFLAGS, (unsigned long)flags);
    Send(Sci::SCI_SETTARGETRANGE, (unsigned long)from, to);
    long hit =
        sci_->SendScintilla(Sci::SCI_SEARCHINTARGET, (unsigned long)text.size(), text.data());
    if (hit < 0) return false;
    int start = int(Send(Sci::SCI_GETTARGETSTART));
    int end = int(Send(Sci::SCI_GETTARGETEND));
    Send(Sci::SCI_SETSEL, (unsigned long)start, end);
    Send(Sci::SCI_SCROLLRANGE, (unsigned long)start, end);
    return true;
}

void TPlusMemo::Highlight(int start, int end, unsigned background) {
    ClearHighlight();
    if (end <= start) return;
    long bg = long(background & 0x00FFFFFF);
    Send(Sci::SCI_INDICSETFORE, kHighlightBox, bg);
    Send(Sci::SCI_INDICSETFORE, kHighlightText, Bgr(look_.text));
    for (int ind : {kHighlightBox, kHighlightText}) {
        Send(Sci::SCI_SETINDICATORCURRENT, (unsigned long)ind);
        Send(Sci::SCI_INDICATORFILLRANGE, (unsigned long)start, end - start);
    }
}

void TPlusMemo::ClearHighlight() {
    int length = int(Send(Sci::SCI_GETLENGTH));
    for (int ind : {kHighlightBox, kHighlightText}) {
        Send(Sci::SCI_SETINDICATORCURRENT, (unsigned long)ind);
        Send(Sci::SCI_INDICATORCLEARRANGE, 0, length);
    }
}

// ---- encoding -------------------------------------------------------------------------

std::string TPlusMemo::Encode(const QString& text) const {
    QByteArray b = sci_->isUtf8() ? text.toUtf8() : text.toLatin1();
    return std::string(b.constData(), size_t(b.size()));
}

QString TPlusMemo::Decode(const std::string& bytes) const {
    const auto n = qsizetype(bytes.size());
    return sci_->isUtf8() ? QString::fromUtf8(bytes.data(), n)
                          : QString::fromLatin1(bytes.data(), n);
}

int TPlusMemo::CaretCharacterColumn() const {
    const int caret = CaretPosition();
    return int(Send(Sci::SCI_COUNTCHARACTERS, (unsigned long)PositionOfLine(CurrentLine()), caret));
}

// ---- marks -----------------------------------------------------------------------------

namespace {

int MarkedLine(const QsciScintilla& e, int marker) {
    return int(e.SendScintilla(Sci::SCI_MARKERNEXT, 0UL, long(1u << marker)));
}

void MarkLine(QsciScintilla& e, int line, int dot, int back) {
    e.markerDeleteAll(dot);
    e.markerDeleteAll(back);
    if (line < 0 || line >= e.lines()) return;
    e.markerAdd(line, dot);
    e.markerAdd(line, back);
}

} // namespace

void TPlusMemo::SetBreakpointLine(int line) {
    MarkLine(*sci_, line, kBreakDot, kBreakBack);
}

int TPlusMemo::BreakpointLine() const {
    return MarkedLine(*sci_, kBreakDot);
}

void TPlusMemo::SetExecutionLine(int line) {
    MarkLine(*sci_, line, kRunArrow, kRunBack);
}

int TPlusMemo::ExecutionLine() const {
    return MarkedLine(*sci_, kRunArrow);
}

int TPlusMemo::AddAnchor(int line) {
    if (line < 0 || line >= LineCount()) return -1;
    return int(Send(Sci::SCI_MARKERADD, (unsigned long)line, kAnchor));
}

int TPlusMemo::AnchorLine(int handle) const {
    if (handle < 0) return -1;
    return int(Send(Sci::SCI_MARKERLINEFROMHANDLE, (unsigned long)handle));
}

bool TPlusMemo::HasAnchor(int line) const {
    if (line < 0 || line >= LineCount()) return false;
    return (Send(Sci::SCI_MARKERGET, (unsigned long)line) >> kAnchor) & 1;
}

void TPlusMemo::ClearAnchors() {
    Send(Sci::SCI_MARKERDELETEALL, (unsigned long)kAnchor);
}

int TPlusMemo::FirstVisibleLine() const {
    return int(Send(Sci::SCI_GETFIRSTVISIBLELINE));
}

int TPlusMemo::VisibleLines() const {
    return std::max(int(Send(Sci::SCI_LINESONSCREEN)), 1);
}

void TPlusMemo::RevealLine(int line) {
    if (line < 0 || line >= LineCount()) return;
    const int first = FirstVisibleLine(), shown = VisibleLines();
    if (line >= first && line < first + shown) return;
    Send(Sci::SCI_SETFIRSTVISIBLELINE, (unsigned long)std::max(0, line - shown / 4));
}

// ---- values under the mouse ------------------------------------------------------------

std::string TPlusMemo::WordAt(int position) const {
    const int length = int(Send(Sci::SCI_GETLENGTH));
    if (position < 0 || position >= length) return {};
    auto isName = [](char c) {
        auto u = static_cast<unsigned char>(c);
        return std::isalnum(u) || c == '_';
    };
    const int line = LineOfPosition(position);
    const int from = PositionOfLine(line), to = LineEndPosition(line);
    QByteArray b = sci_->bytes(from, to);
    const std::string text(b.constData(), size_t(to - from));
    size_t at = size_t(position - from);
    if (at >= text.size() || !isName(text[at])) return {};
    size_t start = at, end = at;
    while (start > 0 && isName(text[start - 1]))
        --start;
    while (end < text.size() && isName(text[end]))
        ++end;
    // Nothing in a comment names a register.
    const size_t comment = text.find(';');
    if (comment != std::string::npos && comment < start) return {};
    return text.substr(start, end - start);
}

std::string TPlusMemo::HoverTextAt(int position) const {
    if (!hoverText) return {};
    const std::string word = WordAt(position);
    return word.empty() ? std::string() : hoverText(word);
}

void TPlusMemo::ShowHover(int position, int x, int y) {
    const std::string text = HoverTextAt(position);
    if (text.empty()) return;
    QToolTip::showText(sci_->viewport()->mapToGlobal(QPoint(x, y)), QString::fromStdString(text),
                       sci_->viewport());
}

} // namespace pellix
