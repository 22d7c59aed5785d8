// Colours SX sources: keywords from a list (without regard to case) and comments from ";"
// to the end of the line. A ";" inside a quoted character string starts no comment.
#pragma once

#include <memory>
#include <string>

#include <Qsci/qscilexercustom.h>

#include "editor/SxLineStyles.h"

namespace pellix {

struct EditorLook {
    QFont font;
    int tabWidth = 8;
    bool boldKeywords = true;
    QColor text = Qt::black;
    QColor paper = Qt::white;
    QColor keyword = Qt::black;
    QColor comment = Qt::black;
    std::shared_ptr<const KeywordSet> keywords;
    // The margins and the caret's line.
    bool lineNumbers = false;
    bool markerMargin = false; // the breakpoint and next-instruction marks
    bool currentLine = false;
};

class SxLexer : public QsciLexerCustom {
    Q_OBJECT
public:
    enum Style { Default = 0, Keyword = 1, Comment = 2 };

    explicit SxLexer(QObject* parent = nullptr);

    const char* language() const override { return "SX"; }
    QString description(int style) const override;
    void styleText(int start, int end) override;

    void SetLook(const EditorLook& look);

    // The styles a line of text gets, one per byte: the rule the editor colours by.
    std::string StyleLine(std::string_view line) const;

private:
    std::shared_ptr<const KeywordSet> keywords_;
};

} // namespace pellix
