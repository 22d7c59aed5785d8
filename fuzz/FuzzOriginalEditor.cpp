// The original editor on arbitrary bytes: the first part is a file loaded into the buffer,
// the rest a stream of keys, typing, clicks, drags, pastes, finds and replacements. The
// buffer must stay consistent with a plain copy of its text, the caret and selection in
// range, and saving must give back the text with a LF after each CR. Stored settings the
// Configure dialog parses (port names, custom colour entries) come along.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "shell/ConfigureUnit.h"
#include "shell/OriginalEditorBuffer.h"
#include "shell/PrintLayout.h"

using namespace pellix;

namespace {

// Aborts with the line of the check that failed.
#define Check(ok)                                                                                  \
    do {                                                                                           \
        if (!(ok)) {                                                                               \
            std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #ok);                  \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

void CheckBuffer(const OriginalEditorBuffer& b) {
    std::string_view text = b.Text();
    Check(text.size() == b.Length());
    Check(b.CText()[b.Length()] == '\0');
    Check(b.Caret() <= b.Length() && b.Anchor() <= b.Length());
    Check(b.SelectionStart() <= b.SelectionEnd());
    Check(b.LineCount() == size_t(std::count(text.begin(), text.end(), '\r')) + 1);
    size_t line = b.CaretLine();
    Check(b.StartOfLine(line) <= b.Caret() && b.Caret() <= b.EndOfLine(line));
    Check(b.FirstLine() < b.LineCount());
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        Check(u >= 32 || u == '\t' || u == '\r');
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    // The first byte tells how many of the next bytes are the file.
    size_t split = size > 0 ? data[0] : 0;
    std::string_view rest = in.substr(size > 0 ? 1 : 0);
    std::string_view file = rest.substr(0, std::min(split, rest.size()));
    std::string_view script = rest.substr(file.size());

    PortChoice port = ParsePort(std::string(file));
    Check(port.Item() >= 0 && port.Item() <= kDeviceItem);
    Check(ParsePort(StoredPort(port)).Item() == port.Item() || StoredPort(port).empty());
    if (auto c = CustomColorValue(std::string(file))) Check(*c <= 0xFFFFFF);
    PrintLayout l =
        ComputePrintLayout({int(size) * 37, int(split) * 11, int(split % 9), int(size % 13)},
                           int(split % 12), int(size));
    Check(!l.printable || (l.columns >= 1 && l.linesPerPage >= 1 && l.pages >= 1));
    for (const std::string& line : PrintLines(file, int(split % 100)))
        Check(line.size() <= split % 100);

    OriginalEditorBuffer b;
    Check(b.Load(file));
    b.SetViewSize(int(split % 40) + 1, int(split % 90) + 1);
    CheckBuffer(b);
    uint32_t clock = 0;
    for (size_t i = 0; i + 1 < script.size(); i += 2) {
        unsigned char op = static_cast<unsigned char>(script[i]);
        unsigned char arg = static_cast<unsigned char>(script[i + 1]);
        size_t pos = b.Length() ? arg * 7919u % (b.Length() + 1) : 0;
        switch (op % 12) {
        case 0:
            b.Key(EditKey(arg % 10), arg & 0x10, arg & 0x20);
            break;
        case 1:
            b.Type(arg);
            break;
        case 2:
            b.Press(pos, clock += arg * 4, arg & 1);
            break;
        case 3:
            b.DragTo(pos);
            break;
        case 4:
            b.Paste(script.substr(i, arg % 16));
            break;
        case 5:
            b.Find(script.substr(i + 1, arg % 4), arg & 1, arg & 2);
            break;
        case 6:
            b.ReplaceAll(script.substr(i + 1, 1 + arg % 3), script.substr(i, arg % 5), arg & 1,
                         arg & 2);
            break;
        case 7:
            b.Select(pos, pos + arg % 9);
            break;
        case 8:
            b.ReplaceSelection(script.substr(i, arg % 6));
            break;
        case 9:
            b.ScrollLines(long(arg) - 128);
            break;
        case 10:
            if (arg & 1)
                b.TextBigger();
            else
                b.TextSmaller();
            break;
        case 11:
            b.SetReadOnly(arg == 0xFF);
            break;
        }
        CheckBuffer(b);
        Check(b.FontSize() >= 1 && b.FontSize() <= 72);
    }
    // Saving and loading again gives the same text.
    std::string saved = b.FileText();
    OriginalEditorBuffer again;
    Check(again.Load(saved));
    Check(again.Text() == b.Text());
    return 0;
}
