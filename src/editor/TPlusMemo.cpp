#include "editor/TPlusMemo.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>

namespace pellix {

namespace {

// Indicators of the error highlight: the background box, and the text in the font colour.
constexpr int kHighlightBox = 8;
constexpr int kHighlightText = 9;

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
    // Bytes in, bytes out: every value 0 to 255 is one character.
    setUtf8(false);
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

} // namespace pellix
