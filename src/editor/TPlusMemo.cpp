#include "editor/TPlusMemo.h"

#include <algorithm>
#include <cctype>

#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

#include "editor/TextEncoding.h"

namespace pellix {

namespace {

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

} // namespace

TPlusMemo::TPlusMemo(QWidget* parent) : QsciScintilla(parent), lexer_(new SxLexer(this)) {
    // Bytes in, bytes out: a new text is UTF-8 until SetText is given bytes that are not.
    setUtf8(true);
    setLexer(lexer_);
    setEolMode(EolUnix);
    setEolVisibility(false);
    setWrapMode(WrapNone);
    setTabWidth(2);
    setIndentationsUseTabs(true);
    setAutoIndent(false);
    setMarginWidth(0, 0);
    setMarginWidth(1, 0);
    setMarginWidth(2, 0);
    Send(SCI_SETMARGINLEFT, 0, 3);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Send(SCI_SETHSCROLLBAR, 1);
    Send(SCI_SETSCROLLWIDTH, 1);
    Send(SCI_SETSCROLLWIDTHTRACKING, 1);
    // Keep the selection visible while another window has the focus.
    Send(SCI_SETSELALPHA, 256);
    setSelectionBackgroundColor(palette().color(QPalette::Highlight));
    setSelectionForegroundColor(palette().color(QPalette::HighlightedText));
    // Pasted text takes the document's line ends.
    Send(SCI_SETPASTECONVERTENDINGS, 1);

    Send(SCI_INDICSETSTYLE, kHighlightBox, INDIC_STRAIGHTBOX);
    Send(SCI_INDICSETALPHA, kHighlightBox, 255);
    Send(SCI_INDICSETOUTLINEALPHA, kHighlightBox, 255);
    Send(SCI_INDICSETUNDER, kHighlightBox, 1);
    Send(SCI_INDICSETSTYLE, kHighlightText, INDIC_TEXTFORE);

    // The margins stay narrow until the look asks for them.
    setMarginType(kNumberMargin, NumberMargin);
    Send(SCI_SETMARGINMASKN, kNumberMargin, 0);
    setMarginType(kMarkMargin, SymbolMargin);
    Send(SCI_SETMARGINMASKN, kMarkMargin, long(kMarginMarks));
    Send(SCI_SETMARGINMASKN, 2, 0);
    setMarginSensitivity(kMarkMargin, true);
    markerDefine(QsciScintilla::Circle, kBreakDot);
    setMarkerForegroundColor(QColor(0x80, 0x00, 0x00), kBreakDot);
    setMarkerBackgroundColor(QColor(0xD0, 0x10, 0x10), kBreakDot);
    markerDefine(QsciScintilla::Background, kBreakBack);
    setMarkerBackgroundColor(QColor(0xFF, 0xD4, 0xD4), kBreakBack);
    markerDefine(QsciScintilla::RightArrow, kRunArrow);
    setMarkerForegroundColor(QColor(0x00, 0x20, 0x80), kRunArrow);
    setMarkerBackgroundColor(QColor(0x20, 0x50, 0xE0), kRunArrow);
    markerDefine(QsciScintilla::Background, kRunBack);
    setMarkerBackgroundColor(QColor(0xC4, 0xD8, 0xFF), kRunBack);
    markerDefine(QsciScintilla::Invisible, kAnchor);
    connect(this, &QsciScintilla::marginClicked, this,
            [this](int margin, int line, Qt::KeyboardModifiers) {
                if (margin == kMarkMargin) emit MarkMarginClicked(line);
            });
    connect(this, &QsciScintilla::linesChanged, this, &TPlusMemo::FitLineNumberMargin);

    // The mouse at rest: our own timer, as the component's own one runs only while the
    // editor has the focus (a debug window usually has it).
    hoverTimer_ = new QTimer(this);
    hoverTimer_->setSingleShot(true);
    hoverTimer_->setInterval(kDwellMs);
    connect(hoverTimer_, &QTimer::timeout, this, [this] {
        const long position = SendScintilla(SCI_POSITIONFROMPOINTCLOSE, (unsigned long)hoverAt_.x(),
                                            long(hoverAt_.y()));
        if (position >= 0) ShowHover(int(position), hoverAt_.x(), hoverAt_.y());
    });
    viewport()->setMouseTracking(true);
    viewport()->installEventFilter(this);
}

bool TPlusMemo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport()) {
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
    return QsciScintilla::eventFilter(watched, event);
}

void TPlusMemo::SetLook(const EditorLook& look) {
    look_ = look;
    lexer_->SetLook(look);
    setFont(look.font);
    setTabWidth(look.tabWidth);
    setPaper(look.paper);
    setColor(look.text);
    setCaretForegroundColor(look.text);
    Send(SCI_INDICSETFORE, kHighlightText, Bgr(look.text));

    setMarginsFont(look.font);
    setMarginsBackgroundColor(palette().color(QPalette::Window));
    setMarginsForegroundColor(palette().color(QPalette::WindowText).lighter(160));
    lineNumberDigits_ = 0;
    FitLineNumberMargin();
    const int height = QFontMetrics(look.font).height();
    setMarginWidth(kMarkMargin, look.markerMargin ? std::max(height, 12) : 0);
    setCaretLineVisible(look.currentLine);
    if (look.currentLine) {
        // A tint over the line, so the debugger's line colours still show through it.
        setCaretLineBackgroundColor(palette().color(QPalette::Highlight));
        Send(SCI_SETCARETLINEBACKALPHA, 36);
    }
}

void TPlusMemo::FitLineNumberMargin() {
    if (!look_.lineNumbers) {
        if (lineNumberDigits_ != 0 || marginWidth(kNumberMargin) != 0)
            setMarginWidth(kNumberMargin, 0);
        lineNumberDigits_ = 0;
        return;
    }
    // Room for the largest number and one more digit, so it grows before it is cut.
    int digits = 3;
    for (int n = LineCount(); n >= 1000; n /= 10)
        ++digits;
    if (digits == lineNumberDigits_) return;
    lineNumberDigits_ = digits;
    setMarginWidth(kNumberMargin, QString(digits + 1, QLatin1Char('9')));
}

int TPlusMemo::LineNumberMarginWidth() const {
    return marginWidth(kNumberMargin);
}

int TPlusMemo::StyleAt(int position) {
    Send(SCI_COLOURISE, 0, -1);
    return int(Send(SCI_GETSTYLEAT, (unsigned long)position));
}

void TPlusMemo::ReleaseKeys(const std::vector<int>& keys) {
    for (int key : keys) {
        while (QsciCommand* c = standardCommands()->boundTo(key)) {
            if (c->key() == key) c->setKey(0);
            if (c->alternateKey() == key) c->setAlternateKey(0);
        }
    }
}

std::string TPlusMemo::Text() const {
    int n = int(Send(SCI_GETLENGTH));
    QByteArray b = bytes(0, n);
    return std::string(b.constData(), size_t(n));
}

void TPlusMemo::SetText(const std::string& text) {
    bool ro = isReadOnly();
    setReadOnly(false);
    beginUndoAction();
    Send(SCI_CLEARALL);
    // The marks belonged to the old text.
    Send(SCI_MARKERDELETEALL, (unsigned long)-1);
    // UTF-8 shows as its characters; other bytes one a character. Both keep the bytes.
    setUtf8(IsUtf8(text));
    setEolMode(EolOf(text));
    if (!text.empty()) SendScintilla(SCI_APPENDTEXT, (unsigned long)text.size(), text.data());
    endUndoAction();
    Send(SCI_GOTOPOS, 0);
    setReadOnly(ro);
}

bool TPlusMemo::IsEmpty() const {
    return Send(SCI_GETLENGTH) == 0;
}

int TPlusMemo::LineCount() const {
    return int(Send(SCI_GETLINECOUNT));
}

std::string TPlusMemo::LineText(int line) const {
    if (line < 0 || line >= LineCount()) return {};
    int from = PositionOfLine(line), to = LineEndPosition(line);
    QByteArray b = bytes(from, to);
    return std::string(b.constData(), size_t(to - from));
}

int TPlusMemo::LineOfPosition(int position) const {
    return int(Send(SCI_LINEFROMPOSITION, (unsigned long)std::max(position, 0)));
}

int TPlusMemo::PositionOfLine(int line) const {
    return int(Send(SCI_POSITIONFROMLINE, (unsigned long)std::max(line, 0)));
}

int TPlusMemo::LineEndPosition(int line) const {
    return int(Send(SCI_GETLINEENDPOSITION, (unsigned long)std::max(line, 0)));
}

int TPlusMemo::SelectionStart() const {
    return int(Send(SCI_GETSELECTIONSTART));
}

int TPlusMemo::SelectionLength() const {
    return int(Send(SCI_GETSELECTIONEND) - Send(SCI_GETSELECTIONSTART));
}

void TPlusMemo::SetSelection(int start, int length) {
    Send(SCI_SETSEL, (unsigned long)start, start + length);
}

std::string TPlusMemo::SelectedText() const {
    int from = SelectionStart(), length = SelectionLength();
    QByteArray b = bytes(from, from + length);
    return std::string(b.constData(), size_t(length));
}

void TPlusMemo::ReplaceSelection(const std::string& text) {
    std::string z = text; // the message reads up to a NUL
    SendScintilla(SCI_REPLACESEL, 0UL, z.c_str());
}

int TPlusMemo::CaretPosition() const {
    return int(Send(SCI_GETCURRENTPOS));
}

int TPlusMemo::CurrentLine() const {
    return LineOfPosition(CaretPosition());
}

int TPlusMemo::CurrentColumn() const {
    return CaretPosition() - PositionOfLine(CurrentLine());
}

void TPlusMemo::SetCurrentLine(int line) {
    line = std::clamp(line, 0, LineCount() - 1);
    Send(SCI_GOTOPOS, (unsigned long)PositionOfLine(line));
}

void TPlusMemo::SetCaret(int line, int column) {
    line = std::clamp(line, 0, LineCount() - 1);
    int pos = std::min(PositionOfLine(line) + std::max(column, 0), LineEndPosition(line));
    Send(SCI_GOTOPOS, (unsigned long)pos);
}

void TPlusMemo::ScrollCaretIntoView() {
    Send(SCI_SCROLLCARET);
}

void TPlusMemo::ClearUndo() {
    Send(SCI_EMPTYUNDOBUFFER);
}

bool TPlusMemo::Find(const std::string& text, const SearchOptions& o) {
    if (text.empty()) return false;
    int length = int(Send(SCI_GETLENGTH));
    int from, to;
    if (o.forward) {
        from = o.fromStart ? 0 : int(Send(SCI_GETSELECTIONEND));
        to = length;
    } else {
        // A start above the end searches backwards.
        from = o.fromStart ? length : int(Send(SCI_GETSELECTIONSTART));
        to = 0;
    }
    int flags = (o.matchCase ? SCFIND_MATCHCASE : 0) | (o.wholeWord ? SCFIND_WHOLEWORD : 0);
    Send(SCI_SETSEARCHFLAGS, (unsigned long)flags);
    Send(SCI_SETTARGETRANGE, (unsigned long)from, to);
    long hit = SendScintilla(SCI_SEARCHINTARGET, (unsigned long)text.size(), text.data());
    if (hit < 0) return false;
    int start = int(Send(SCI_GETTARGETSTART));
    int end = int(Send(SCI_GETTARGETEND));
    Send(SCI_SETSEL, (unsigned long)start, end);
    Send(SCI_SCROLLRANGE, (unsigned long)start, end);
    return true;
}

void TPlusMemo::Highlight(int start, int end, unsigned background) {
    ClearHighlight();
    if (end <= start) return;
    long bg = long(background & 0x00FFFFFF);
    Send(SCI_INDICSETFORE, kHighlightBox, bg);
    Send(SCI_INDICSETFORE, kHighlightText, Bgr(look_.text));
    for (int ind : {kHighlightBox, kHighlightText}) {
        Send(SCI_SETINDICATORCURRENT, (unsigned long)ind);
        Send(SCI_INDICATORFILLRANGE, (unsigned long)start, end - start);
    }
}

void TPlusMemo::ClearHighlight() {
    int length = int(Send(SCI_GETLENGTH));
    for (int ind : {kHighlightBox, kHighlightText}) {
        Send(SCI_SETINDICATORCURRENT, (unsigned long)ind);
        Send(SCI_INDICATORCLEARRANGE, 0, length);
    }
}

// ---- encoding -------------------------------------------------------------------------

std::string TPlusMemo::Encode(const QString& text) const {
    QByteArray b = isUtf8() ? text.toUtf8() : text.toLatin1();
    return std::string(b.constData(), size_t(b.size()));
}

QString TPlusMemo::Decode(const std::string& bytes) const {
    const auto n = qsizetype(bytes.size());
    return isUtf8() ? QString::fromUtf8(bytes.data(), n) : QString::fromLatin1(bytes.data(), n);
}

int TPlusMemo::CaretCharacterColumn() const {
    const int caret = CaretPosition();
    return int(Send(SCI_COUNTCHARACTERS, (unsigned long)PositionOfLine(CurrentLine()), caret));
}

// ---- marks -----------------------------------------------------------------------------

namespace {

int MarkedLine(const TPlusMemo& e, int marker) {
    return int(e.SendScintilla(QsciScintillaBase::SCI_MARKERNEXT, 0UL, long(1u << marker)));
}

void MarkLine(TPlusMemo& e, int line, int dot, int back) {
    e.markerDeleteAll(dot);
    e.markerDeleteAll(back);
    if (line < 0 || line >= e.LineCount()) return;
    e.markerAdd(line, dot);
    e.markerAdd(line, back);
}

} // namespace

void TPlusMemo::SetBreakpointLine(int line) {
    MarkLine(*this, line, kBreakDot, kBreakBack);
}

int TPlusMemo::BreakpointLine() const {
    return MarkedLine(*this, kBreakDot);
}

void TPlusMemo::SetExecutionLine(int line) {
    MarkLine(*this, line, kRunArrow, kRunBack);
}

int TPlusMemo::ExecutionLine() const {
    return MarkedLine(*this, kRunArrow);
}

int TPlusMemo::AddAnchor(int line) {
    if (line < 0 || line >= LineCount()) return -1;
    return int(Send(SCI_MARKERADD, (unsigned long)line, kAnchor));
}

int TPlusMemo::AnchorLine(int handle) const {
    if (handle < 0) return -1;
    return int(Send(SCI_MARKERLINEFROMHANDLE, (unsigned long)handle));
}

bool TPlusMemo::HasAnchor(int line) const {
    if (line < 0 || line >= LineCount()) return false;
    return (Send(SCI_MARKERGET, (unsigned long)line) >> kAnchor) & 1;
}

void TPlusMemo::ClearAnchors() {
    Send(SCI_MARKERDELETEALL, (unsigned long)kAnchor);
}

int TPlusMemo::FirstVisibleLine() const {
    return int(Send(SCI_GETFIRSTVISIBLELINE));
}

int TPlusMemo::VisibleLines() const {
    return std::max(int(Send(SCI_LINESONSCREEN)), 1);
}

void TPlusMemo::RevealLine(int line) {
    if (line < 0 || line >= LineCount()) return;
    const int first = FirstVisibleLine(), shown = VisibleLines();
    if (line >= first && line < first + shown) return;
    Send(SCI_SETFIRSTVISIBLELINE, (unsigned long)std::max(0, line - shown / 4));
}

// ---- values under the mouse ------------------------------------------------------------

std::string TPlusMemo::WordAt(int position) const {
    const int length = int(Send(SCI_GETLENGTH));
    if (position < 0 || position >= length) return {};
    auto isName = [](char c) {
        auto u = static_cast<unsigned char>(c);
        return std::isalnum(u) || c == '_';
    };
    const int line = LineOfPosition(position);
    const int from = PositionOfLine(line), to = LineEndPosition(line);
    QByteArray b = bytes(from, to);
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
    QToolTip::showText(viewport()->mapToGlobal(QPoint(x, y)), QString::fromStdString(text),
                       viewport());
}

} // namespace pellix
