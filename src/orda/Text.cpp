#include <cstdio>
#include <vector>

#include "orda/Orda.h"
#include "orda/OrdaText.h"

namespace orda {

namespace {

struct Classes {
    uint8_t c[256];
    constexpr Classes() : c() {
        for (int i = 0; i < 256; ++i)
            c[i] = kClassOther;
        for (int i = 'A'; i <= 'Z'; ++i)
            c[i] = kClassName;
        for (int i = 'a'; i <= 'z'; ++i)
            c[i] = kClassName;
        for (char ch : {'$', '%', '@', '_', '`', '\\', ':'})
            c[uint8_t(ch)] = kClassName;
        for (int i = '0'; i <= '9'; ++i)
            c[i] = kClassDigit;
        for (char ch : {'!', '#', '&', '(', ')', '*', '+', '-', '.', '/', '<', '=', '>', '?', '[',
                        ']', '^', '|', '~'})
            c[uint8_t(ch)] = kClassOp;
        c[uint8_t('"')] = kClassQuote;
        c[uint8_t('\'')] = kClassQuote;
        c[31] = kClassQuote;
    }
};
constexpr Classes kClasses;

} // namespace

const uint8_t kCharClass[256] = {
#define C(i) kClasses.c[i]
#define R8(i) C(i), C(i + 1), C(i + 2), C(i + 3), C(i + 4), C(i + 5), C(i + 6), C(i + 7)
#define R64(i)                                                                                     \
    R8(i), R8(i + 8), R8(i + 16), R8(i + 24), R8(i + 32), R8(i + 40), R8(i + 48), R8(i + 56)
    R64(0), R64(64), R64(128), R64(192)
#undef R64
#undef R8
#undef C
};

std::string Format(const char* fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n < 0) return {};
    if (size_t(n) < sizeof buf) return std::string(buf, size_t(n));
    std::string out(size_t(n) + 1, '\0');
    va_start(ap, fmt);
    std::vsnprintf(out.data(), out.size(), fmt, ap);
    va_end(ap);
    out.resize(size_t(n));
    return out;
}

std::string FormatArg(const char* text, std::string_view arg) {
    std::string_view t(text);
    size_t at = t.find("%s");
    if (at == std::string_view::npos) return std::string(t);
    std::string out(t.substr(0, at));
    out += arg;
    out += t.substr(at + 2);
    return out;
}

void AppendHex(std::string& out, uint32_t v, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    char buf[8];
    for (int i = digits - 1; i >= 0; --i) {
        buf[i] = kDigits[v & 15];
        v >>= 4;
    }
    out.append(buf, size_t(digits));
}

void AppendDecimal(std::string& out, uint32_t v, int width, char pad) {
    char buf[16];
    int n = 0;
    do {
        buf[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    for (int i = n; i < width; ++i)
        out += pad;
    while (n)
        out += buf[--n];
}

} // namespace orda
