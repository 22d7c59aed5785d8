#include "shell/Keywords.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "platform/FileIo.h"

namespace pellix {

namespace {

// One keyword a line, the form of the list file.
constexpr std::string_view kBuiltInList = R"(ADD
ADDB
AND
BANK
CALL
CJA
CJAE
CJB
CJBE
CJE
CJNE
CLC
CLR
CLRB
CLZ
CSA
CSAE
CSB
CSBE
CSE
CSNE
DEC
DECSZ
DJNZ
IJNZ
INC
INCSZ
IREAD
JB
JC
JMP
JNB
JNC
JNZ
JZ
MODE
MOV
MOVB
MOVSZ
NOP
NOT
OR
PAGE
RET
RETI
RETIW
RETP
RETW
RL
RR
SB
SC
SETB
SKIP
SLEEP
SNB
SNC
SNZ
STC
STZ
SUB
SUBB
SWAP
SZ
TEST
XOR
BREAK
CASE
DEVICE
DS
DW
ELSE
END
ENDIF
ENDM
ENDR
EQU
ERROR
EXITM
EXPAND
FREQ
ID
IF
IFDEF
IFNDEF
MACRO
NOCASE
NOEXPAND
ORG
REPT
RESET
WATCH
SX18
SX18L
SX28
SX28L
SX48
SX52
BOR22
BOR26
BOR42
CARRYX
DRIVEOFF
DRT18MS
DRT60MS
DRT60US
DRT960MS
FEEDBACKOFF
IFBD
OSC128KHZ
OSC1MHZ
OSC32KHZ
OSC4MHZ
OSCHS1
OSCHS2
OSCHS3
OSCLP1
OSCLP2
OSCRC
OSCXT1
OSCXT2
OSCXT3
OSCXT4
OSCXT5
OSCXTMAX
OSCXTMIN
PROTECT
SLEEPCLOCK
STACKX_OPTIONX
SYNC
TURBO
WATCHDOG
XTLBUFD
M
OPTION
W
WDT
FSTR
SBIN
SDEC
SHEX
UBIN
UDEC
UHEX
ZSTR
C
CMP
COMPARATOR
DC
DIRECTION
FSR
IND
INDF
INDIRECT
LEVEL
LVL
PA0
PA1
PA2
PC
PD
PLP
PULL_UP
RA
RB
RC
RD
RE
RTCC
SCHMITT
ST
STATUS
TIMER_CAPTURE_HIGH
TIMER_CAPTURE_LOW
TIMER_COMPARE1_HIGH
TIMER_COMPARE1_LOW
TIMER_COMPARE2_HIGH
TIMER_COMPARE2_LOW
TIMER_CONTROL_A
TIMER_CONTROL_B
TO
TRIS
WAKE_EDGE
WAKE_ENABLE
WAKE_PENDING
WKED
WKEN
WKPEN
WREG
Z
)";

} // namespace

std::vector<std::string> ParseKeywordList(std::string_view text) {
    std::vector<std::string> words;
    std::set<std::string> seen;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        size_t a = line.find_first_not_of(" \t");
        if (a == std::string_view::npos) continue;
        size_t b = line.find_last_not_of(" \t");
        std::string word(line.substr(a, b - a + 1));
        std::transform(word.begin(), word.end(), word.begin(),
                       [](unsigned char c) { return char(std::toupper(c)); });
        if (seen.insert(word).second) words.push_back(word);
    }
    return words;
}

const std::vector<std::string>& BuiltInKeywords() {
    static const std::vector<std::string> words = ParseKeywordList(kBuiltInList);
    return words;
}

std::vector<std::string> LoadKeywords(const std::string& folder, bool* fromFile) {
    std::string path = folder.empty() ? kKeywordFileName : folder + "/" + kKeywordFileName;
    FileRead r = ReadWholeFile(path);
    if (fromFile) *fromFile = r.ok;
    if (r.ok) return ParseKeywordList(r.data);
    return BuiltInKeywords();
}

} // namespace pellix
