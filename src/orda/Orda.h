// The orda cross-assembler: one run from command line to exit code.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "orda/Messages.h"
#include "orda/OrdaHost.h"

namespace orda {

inline constexpr const char* kVersion = "Version 1.50";
// A message goes to the console, the error file and the list file at most this often in a
// run; the reports beyond are counted and said in one line at the end.
inline constexpr uint32_t kMaxRepeats = 1000;

enum ObjectFormat : int { kBin16 = 0, kInhx16, kInhx8m, kInhx8s, kInhx32, kIeee695 };
enum ListMode : int { kListNone = 0, kListPage = 1, kListNoPage = 2 };
enum MnemonicSet : int {
    kSetSx = 0,
    kSetCorvanex = 1,
    kSetMchip = 2,
    kSetAll = 3,
    kSetDebugger = 10
};

inline constexpr int kImageWords = 16448;
inline constexpr int kIdBase = 0x1000;
inline constexpr int kConfigBase = 0x1010;
inline constexpr uint16_t kBlank = 0x0FFF;

// Symbol types; 8 to 15 are watch entries.
enum SymbolType : uint8_t {
    kData = 0,
    kAddr,
    kResv,
    kDefn,
    kVar,
    kBdat,
    kBvar,
    kResb,
    kWatchFirst = 8,
    kWatchLast = 15
};
const char* SymbolTypeName(int type, bool corvanex);

struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};
bool EqualNoCase(std::string_view a, std::string_view b);

struct Symbol {
    int32_t value = 0;
    uint16_t bit = 0; // bit number, or the count of a watch entry
    uint8_t type = kData;
    uint32_t line = 0;
};
using SymbolTree = std::map<std::string, Symbol, NoCaseLess>;

// Settings a run starts each pass with; options fill them, directives change them.
struct Settings {
    int objectFormat = kInhx8m;
    int device = 0;
    bool deviceDeclared = false;
    bool oldRev = false;
    int radix = 10;
    uint16_t tabWidth = 8;
    int warningLevel = 1;
    bool caseInsensitive = true;
    int listMode = kListNoPage;
    int pageLength = 55;       // stored
    int pageLengthInForce = 0; // 0: no paging
    int mnemonicSet = kSetCorvanex;
    bool corvanex = false;
    bool nohau = false;
    bool outputDirWanted = false;
    bool labelStartAny = false;
    bool fullPathsInMap = true;
    bool expand = true; // list macro and include lines
    std::array<uint8_t, kMessageCount + 1> quiet{};
};

// Values the device set-up derives from the device index.
struct DeviceValues {
    int index = 0;
    int memSize = 2048;
    int highest = 2047;
    uint16_t deviceWord = 0xAB00;
    int family = 1;
};

struct Value {
    int32_t v = 0;
    int bit = 0;
};

struct Token {
    int type = 7;
    std::string text; // name (without a leading @) or string contents
    int32_t number = 0;
    size_t start = 0; // position in the line
};

// Token types.
enum Tok : int {
    kTokIllegal = 1,
    kTokComma = 6,
    kTokEnd = 7,
    kTokName = 8,
    kTokNumber = 9,
    kTokString = 10,
    kTokLParen = 11,
    kTokRParen = 12,
    kTokLBracket = 13,
    kTokRBracket = 14,
    kTokPlus = 15,
    kTokMinus = 16,
    kTokStar = 17,
    kTokSlash = 18,
    kTokRem = 19,
    kTokCaret = 20,
    kTokTilde = 21,
    kTokAssign = 22,
    kTokEq = 23,
    kTokNe = 24,
    kTokNot = 25,
    kTokAnd = 27,
    kTokOr = 28,
    kTokLAnd = 29,
    kTokLOr = 30,
    kTokLt = 31,
    kTokGt = 32,
    kTokLe = 33,
    kTokGe = 34,
    kTokShl = 35,
    kTokShr = 36,
    kTokHash = 37,
    kTokAtName = 38,
    kTokDot = 39,
    kTokRev = 40,
    kTokQQ = 41,
    kTokQ = 42,
};

struct Macro {
    std::string name;
    int declared = -1; // argument count, -1 when free
    std::vector<std::string> params;
    std::vector<std::string> locals;
    std::vector<std::string> body;
};

// One source of lines: a file, a macro expansion or a REPT block being repeated.
struct Frame {
    enum Kind : uint8_t { kFile, kMacro, kRept } kind = kFile;
    // file
    int fileIndex = 0;
    std::string name;
    const std::string* text = nullptr;
    size_t pos = 0;
    uint32_t line = 0;
    int level = 0; // include level
    // macro
    const Macro* macro = nullptr;
    std::vector<std::string> args;
    uint32_t localBase = 0;
    std::string suffix;
    size_t condDepth = 0;
    // macro and rept
    size_t next = 0;
    // rept
    std::shared_ptr<const std::vector<std::string>> lines;
    int count = 0;
    int rep = 1;
};

struct CondLevel {
    bool skip = false;
    bool elseSeen = false;
    bool parentSkip = false;
};

struct Counters {
    int printed = 0, comments = 0, warnings = 0, errors = 0;
};

// One registered source file (main file first).
struct FileRecord {
    std::string name;     // as opened
    std::string resolved; // path used to read it
    std::string text;
    uint32_t lineCount = 0;
    std::vector<uint16_t> marks; // pass-1 mark per line
};

// Line-number information for the debug module.
struct LineEntry {
    enum Kind : uint8_t { kEnter, kLeave, kLine } kind;
    int fileIndex = 0;
    uint32_t line = 0;
    uint32_t address = 0;
};

enum ListKind : uint8_t {
    kListValue,
    kListCode,
    kListText,
    kListTextNoFlag,
    kListEject,
    kListSpace,
    kListFuses,
    kListReset,
    kListNothing
};

struct QueuedMessage {
    uint32_t line;
    std::string text;
};

// Everything that a pass builds from nothing: rebuilt whole at the start of each pass.
struct PassState {
    int pass = 0;
    Settings s;
    DeviceValues dev;
    uint16_t fuse = 0x0FFB, fusex = 0x0BFF;
    uint32_t pc = 0;
    uint32_t statementPc = 0;
    std::string lastGlobal;
    Counters counters;
    uint32_t listingLine = 0; // statement lines delivered
    uint32_t linesRead = 0;   // lines read from files
    std::vector<Frame> frames;
    std::vector<CondLevel> conds;
    std::map<std::string, Macro, NoCaseLess> macros;
    // macro definition in progress
    Macro* defining = nullptr;
    int defineDepth = 0;
    size_t defineFrames = 0;
    // REPT collection in progress
    bool collecting = false;
    int collectDepth = 0;
    size_t collectFrames = 0;
    int collectCount = 0;
    bool collectOverflow = false;
    std::vector<std::string> collected;
    uint32_t invocations = 0;
    uint32_t localCounter = 0;
    int selPage = 0, pageCountdown = 0, selBank = 0, bankCountdown = 0;
    bool seenFreq = false, seenReset = false, seenBreak = false, seenIrc = false;
    bool ended = false;
    bool oscLineSeen = false;
    bool oscChecked = false;
    uint32_t freq = 50000000;
    uint16_t irc = 0;
    uint16_t breakAddr = 0xFFFF;
    std::string title, subtitle;
    std::vector<QueuedMessage> queue;
    std::vector<LineEntry> lineEntries;
    std::vector<std::string> entryFiles; // file name per include level, for line entries
};

class Orda {
public:
    explicit Orda(OrdaHost& host);
    ~Orda();
    // argv[0] is the program's own path. Returns the exit code.
    int Run(const std::vector<std::string>& argv);

    // Limit on lines delivered in one pass (expansions included).
    uint32_t maxLinesPerPass = 4000000;

    // Results of the last run, for tests and tools.
    const SymbolTree& Symbols() const { return symbols_; }
    // Lookup by name without regard to case; null when there is none.
    Symbol* FindSymbol(std::string_view name);
    const std::vector<uint16_t>& Image() const { return image_; }
    const PassState& State() const { return p_; }
    std::string OutputBase() const { return outputBase_; }

private:
    friend struct OrdaAccess;
    // driver
    bool ParseOptions(const std::vector<std::string>& argv, bool& usage);
    bool Option(char letter, const std::string& value);
    bool OptionC(const std::string& v);
    bool OptionE(const std::string& v);
    bool OptionF(const std::string& v);
    bool OptionL(const std::string& v);
    bool OptionP(const std::string& v);
    bool OptionQ(const std::string& v);
    bool OptionR(const std::string& v);
    bool OptionW(const std::string& v);
    void PrintUsage();
    void PrintMessageTable();
    void FormFileNames(const std::string& source);
    void SetUpOutputDirectory();
    void BeginPass(int pass);
    void RunPass();
    void Summary();
    void WriteOutputs();
    void Cleanup();
    [[noreturn]] void Exit(int code);
    [[noreturn]] void Fatal(int severity, int number);
    // Closes an output file and checks that all of it was stored: a failure is said with
    // the file's name and the system's reason, the cut file removed and the run fails.
    bool CloseOutput(std::unique_ptr<OutFile>& file, const std::string& name);
    // The object outputs of this run's kind, where they are written: after a failed run
    // none of them may stand as if current.
    void RemoveObjectOutputs();
    // One line for each message some of whose reports were left out.
    void ReportLeftOut();
    std::string LeftOutLine(int number, uint32_t shown, uint32_t leftOut) const;
    std::string Resolve(const std::string& name, bool fromWorkDir) const;
    std::string ErrorFilePath() const;

public:
    // messages (public for the statement code split across files)
    int Report(int severityAndFlags, int number);
    int ReportOutsidePass1(int severityAndFlags, int number);
    std::string arg_; // message argument

    // scanner
    void StartLine();
    int Next();
    int Peek();
    bool Evaluate(Value& out, bool demand = false);
    void DeviceSetUp();

private:
    // scanner internals
    int ScanWord();
    int ScanString();
    int ScanOperator();
    bool ConvertNumber(std::string_view digits, int radix, int32_t& out);
    bool ParseRelational(Value& out);
    bool ParseAdditive(Value& out);
    bool ParseMultiplicative(Value& out);
    bool ParseBitSelect(Value& out);
    bool ParsePrimary(Value& out);
    bool NameValue(const std::string& name, Value& out);
    void Push();
    void Pop();
    bool InRept() const;
    int ReptNumber() const;
    const Frame* InnermostMacro() const;
    std::string LocalLabelName(std::string_view name) const;

    // lines and statements
    bool NextLine();
    bool ReadFileLine(Frame& f);
    void PopFrame();
    void EndExpansion(size_t index, bool natural);
    std::string ExpandMacroLine(const std::string& stored, const Frame& f);
    void Statement();
    bool SkipStatement();
    void CollectLine();
    void DefineLine();
    void HandleName();
    bool DefineLabel(const std::string& name, int32_t value, int bit, int type, bool col1,
                     size_t start, bool alone, bool beforeInstruction);
    void EnterSymbol(const std::string& name, int32_t value, int bit, int type);
    bool DefineOrUpdate(const std::string& name, int32_t value, int bit, int type);
    void Directive(int code, const std::string* label, bool labelCol1, size_t labelStart);
    void DeviceDirective();
    bool DeviceWord(const std::string& word);
    bool DeviceOption(const std::string& word);
    void ListDirective();
    void IncludeDirective();
    void MacroDirective(const std::string* label);
    void MacroCall(Macro& m, size_t from);
    void ReptDirective();
    void ErrorDirective();
    void WatchDirective();
    bool ReadNameOrString(std::string& out);
    void Conditional(int code);
    bool Skipping() const { return !p_.conds.empty() && p_.conds.back().skip; }
    std::string FormatRadix(int32_t v) const;

    // instructions
    void Instruction(int keyword);
    int SingleWord(int keyword, bool& ok);
    int Compound(int mnemonic, bool& ok);
    int DataList(int keyword, bool& ok);
    uint16_t FileRegister(int32_t address);
    uint16_t BitOperand(int32_t reg, int bit);
    void PageCheck(int32_t target);
    void StoreWords(uint32_t start, int count);
    bool checks() const { return p_.pass == 2; }

    // outputs
    void OpenListAndMap();
    void ListStatement();
    void ListLine(std::string_view text);
    void ListRaw(std::string_view text);
    void PageHeader();
    void FlushQueue(bool all);
    void ListCrossReference();
    // The list file's line for each message some of whose reports it left out.
    void ListLeftOut();
    std::string SymbolLine(const std::string& name, const Symbol& s) const;
    void MapRecord(uint32_t address);
    void FinishMap();
    void LineRecord(ListKind kind, uint32_t address);
    void BuildConfig();
    bool WriteObject();
    bool WriteBin16();
    bool WriteHex(int format);
    bool WriteIeee695();
    void WriteSymbolFile();
    std::string SourceForList(bool& truncated);
    std::string HeadingText() const;

    OrdaHost& host_;
    Settings options_; // settings after the command line
    PassState p_;
    SymbolTree symbols_;
    // The same symbols by upper-cased name, for lookups; the tree gives the sorted walks.
    std::unordered_map<std::string, Symbol*> symbolIndex_;
    std::string foldBuffer_;
    std::vector<uint16_t> image_;
    std::string idText_;
    std::deque<FileRecord> files_; // frames point into it: no reallocation
    Counters pass0_, pass1_, pass2_;
    bool pass2Ran_ = false;
    uint32_t pass1Lines_ = 0;
    bool pass1OscSeen_ = false;
    std::map<std::pair<uint32_t, int>, int> pass1Printed_;
    int lastError_ = 0;
    // Per message: reports written to the console and error file, and to the list file,
    // and those left out of each once kMaxRepeats were written.
    std::array<uint32_t, kMessageCount + 1> shown_{}, listed_{}, unshown_{}, unlisted_{};
    bool fatalReport_ = false; // the report that ends the run always shows
    bool outputFailed_ = false;

    std::string commandLine_;
    std::string argv0_;
    std::string sourceArg_, sourceBase_, sourceName_, sourceNameNoExt_, outputBase_;
    std::string errorFileName_;
    std::string startDir_, workDir_;
    std::unique_ptr<OutFile> errorFile_;
    std::unique_ptr<OutFile> listFile_;
    bool listOpen_ = false;
    std::unique_ptr<OutFile> mapFile_;
    std::string mapData_;
    size_t mapPos_ = 2048;
    bool mapOpen_ = false;
    uint32_t listCount_ = 0; // lines written through the list-line writer
    int pageNumber_ = 0;
    int pageLines_ = 0;
    std::string columnHeader_ = "Line    PC    Opcode    Source";
    uint64_t startMs_ = 0, endMs_ = 0;
    std::tm runTime_{};

    // current statement
    std::string line_;
    size_t pos_ = 0;
    Token tok_;
    Token peek_;
    bool havePeek_ = false;
    bool inWatch_ = false;
    bool demand_ = false;
    bool exprError_ = false;
    // Names pass 1 took as 0 because they are defined further down.
    uint32_t unresolved_ = 0;
    int stackDepth_ = 0;
    bool fromExpansion_ = false; // current line came from a macro expansion
    bool fromRept_ = false;
    int curFileIndex_ = 0;
    uint32_t curFileLine_ = 0;
    int curLevel_ = 0;
    // list line of the current statement
    ListKind listKind_ = kListText;
    int32_t listValue_ = 0;
    int listBit_ = 0;
    bool listHasBit_ = false;
    uint32_t listAddress_ = 0;
    uint16_t listWords_[8] = {};
    int listWordCount_ = 0;
    int spaceLines_ = 0;
    bool lineHadError_ = false;
    int lineMessage_ = 0;
    bool lineHadMessage_ = false;
    bool lineTooLong_ = false;
    bool codeAllowed_ = true;
    bool jumpWithAddress_ = false;
    bool movToFsr_ = false;
    std::vector<uint16_t> stmtWords_;
    Macro scratchMacro_;
};

} // namespace orda
