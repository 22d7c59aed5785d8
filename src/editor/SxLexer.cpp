#include "editor/SxLexer.h"

#include <algorithm>

#include <Qsci/qsciscintilla.h>

namespace pellix {

SxLexer::SxLexer(QObject* parent) : QsciLexerCustom(parent) {}

QString SxLexer::description(int style) const {
    switch (style) {
    case Default:
        return QStringLiteral("Default");
    case Keyword:
        return QStringLiteral("Keyword");
    case Comment:
        return QStringLiteral("Comment");
    default:
        return {};
    }
}

void SxLexer::SetLook(const EditorLook& look) {
    keywords_ = look.keywords;
    QFont bold = look.font;
    bold.setBold(look.boldKeywords);
    setDefaultFont(look.font);
    setDefaultColor(look.text);
    setDefaultPaper(look.paper);
    setFont(look.font, Default);
    setFont(bold, Keyword);
    setFont(look.font, Comment);
    setColor(look.text, Default);
    setColor(look.keyword, Keyword);
    setColor(look.comment, Comment);
    for (int s : {int(Default), int(Keyword), int(Comment)})
        setPaper(look.paper, s);
    if (editor()) editor()->recolor();
}

std::string SxLexer::StyleLine(std::string_view line) const {
    return StyleSxLine(line, keywords_.get());
}

void SxLexer::styleText(int start, int end) {
    QsciScintilla* ed = editor();
    if (!ed || end <= start) return;
    // Every rule ends at the line end, so styling always restarts at a line's start.
    int firstLine = int(ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, start));
    int lastLine = int(ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, end));
    int from = int(ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, firstLine));
    int to = int(ed->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, lastLine));
    int length = int(ed->SendScintilla(QsciScintillaBase::SCI_GETLENGTH));
    to = std::max(to, end);
    to = std::min(to, length);
    QByteArray bytes = ed->bytes(from, to);
    startStyling(from);
    size_t pos = 0;
    // The range's bytes; the copy carries a terminating NUL that is not part of it.
    std::string_view text(bytes.constData(), size_t(std::max(0, to - from)));
    while (pos < text.size()) {
        size_t eol = text.find_first_of("\r\n", pos);
        size_t lineEnd = eol == std::string_view::npos ? text.size() : eol;
        std::string styles = StyleLine(text.substr(pos, lineEnd - pos));
        // Runs of one style.
        size_t k = 0;
        while (k < styles.size()) {
            size_t run = k;
            while (run < styles.size() && styles[run] == styles[k])
                ++run;
            setStyling(int(run - k), styles[k]);
            k = run;
        }
        size_t next = lineEnd;
        while (next < text.size() && (text[next] == '\r' || text[next] == '\n')) {
            // A CR LF pair is one line end; two CRs are two.
            if (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') {
                next += 2;
                break;
            }
            ++next;
            break;
        }
        if (next > lineEnd) setStyling(int(next - lineEnd), Default);
        pos = next;
    }
}

} // namespace pellix
