// The orda cross-assembler: one run from command line to exit code.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "orda/Messages.h"
#include "orda/Options.h"
#include "orda/OrdaHost.h"
#include "orda/Outputs.h"
#include "orda/PassState.h"
#include "orda/Reports.h"
#include "orda/Scanner.h"
#include "orda/Sources.h"
#include "orda/Statement.h"
#include "orda/Symbols.h"

namespace orda {

inline constexpr const char* kVersion = "Version 1.50";

// The run's state is held in parts, each written by the source file named beside it; the
// others only read it:
//   Options      opt_      Driver.cpp (the command line)
//   PassState    p_        Statements.cpp and Instructions.cpp (Driver.cpp rebuilds it)
//   SymbolTable  symbols_  through its own functions, from every file
//   FileTable    files_    Statements.cpp (Driver.cpp adds the source file)
//   Cursor       cur_      Scanner.cpp
//   Statement    st_       Statements.cpp and Instructions.cpp
//   CodeImage    image_    through its own functions
//   Listing      list_     Outputs.cpp
//   Reports      reports_  Driver.cpp (the message reporter)
//   run_                   Driver.cpp (times and what pass 1 leaves for the summary)
class Orda {
public:
    explicit Orda(OrdaHost& host);
    ~Orda();
    // argv[0] is the program's own path. Returns the exit code.
    int Run(const std::vector<std::string>& argv);

    // Limit on lines delivered in one pass (expansions included).
    uint32_t maxLinesPerPass = 4000000;

    // Results of the last run, for tests and tools.
    const SymbolTree& Symbols() const { return symbols_.Tree(); }
    // Lookup by name without regard to case; null when there is none.
    Symbol* FindSymbol(std::string_view name) { return symbols_.Find(name); }
    const std::vector<uint16_t>& Image() const { return image_.Words(); }
    const PassState& State() const { return p_; }
    std::string OutputBase() const { return opt_.outputBase; }

private:
    // Driver.cpp: the command line, the passes, messages, the summary
    bool ParseOptions(const std::vector<std::string>& argv, bool& usage);
    bool Option(char letter, const std::string& value);
    bool SetDevice(const std::string& value);
    void PrintUsage();
    void PrintMessageTable();
    void SetUpOutputDirectory();
    void DeviceSetUp();
    void BeginPass(int pass);
    void RunPass();
    void Summary();
    void WriteOutputs();
    void Cleanup();
    [[noreturn]] void Exit(int code);
    [[noreturn]] void Fatal(int severity, int number, std::string_view arg = {});
    // Closes an output file and checks that all of it was stored: a failure is said with
    // the file's name and the system's reason, the cut file removed and the run fails.
    bool CloseOutput(std::unique_ptr<OutFile>& file, const std::string& name);
    // The object outputs of this run's kind, where they are written: after a failed run
    // none of them may stand as if current.
    void RemoveObjectOutputs();
    // One line for each message some of whose reports were left out.
    void ReportLeftOut();
    // The message reporter; `arg` fills a text's %s.
    int Report(int severityAndFlags, int number, std::string_view arg = {});
    // For messages that only make sense once all symbols are known.
    int ReportOutsidePass1(int severityAndFlags, int number);

    // Scanner.cpp: tokens and expressions
    void StartLine(std::string_view text);
    void ScanFrom(size_t pos);
    int Next();
    int Peek();
    // `demand`: an undefined name is an error already in pass 1; `watch`: a WATCH operand.
    bool Evaluate(Value& out, bool demand = false, bool watch = false);
    // Evaluates the text as one whole expression, apart from the statement's line.
    bool EvaluateAlone(std::string_view text, Value& out);
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

    // Statements.cpp: lines and statements
    bool NextLine();
    void ReadFileLine(Frame& f);
    void PushFile(int fileIndex, int level);
    void PopFrame();
    void EndExpansion(size_t index, bool natural);
    void HandleStatement();
    // The checks at the end of pass 1: IRC_CAL and FREQ left out.
    void EndPass1();
    void MarkLine(bool handled, bool fromFile);
    bool SkipStatement();
    void CollectLine();
    void DefineLine();
    void HandleName();
    bool DefineLabel(const std::string& name, int32_t value, int bit, int type, bool col1,
                     bool alone);
    void Directive(int code, const std::string* label, bool labelCol1);
    bool ReadOperand(Value& v, bool demand);
    void ResetDirective(const std::string* label, bool labelCol1);
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

    // Instructions.cpp: encoding
    void Instruction(int keyword);
    int SingleWord(int keyword, bool& ok);
    int Compound(int mnemonic, bool& ok);
    int DataList(int keyword, bool& ok);
    uint16_t FileRegister(int32_t address);
    uint16_t BitOperand(int32_t reg, int bit);
    void PageCheck(int32_t target);
    void StoreWords(uint32_t start, int count);
    bool checks() const { return p_.pass == 2; }

    // Outputs.cpp: the list, map, symbol and object files
    void OpenListAndMap();
    void ListStatement();
    void ListLine(std::string_view text);
    void ListRaw(std::string_view text);
    void ListMessage(std::string text);
    void PageHeader();
    void FlushQueue();
    // The end of pass 2: the queued messages, the map's file names, the symbol table.
    void FinishListing();
    // A run that stops early closes what it has written.
    void AbandonListing();
    void ListCrossReference();
    // The list file's line for each message some of whose reports it left out.
    void ListLeftOut();
    void MapRecord(uint32_t address);
    void FinishMap();
    void BuildConfig();
    bool WriteObject();
    bool WriteBin16();
    bool WriteHex(int format);
    bool WriteIeee695();
    bool WriteSymbolFile();
    std::string SourceForList(bool& truncated) const;

    OrdaHost& host_;
    Options opt_;
    PassState p_;
    SymbolTable symbols_;
    FileTable files_;
    Cursor cur_;
    Statement st_;
    CodeImage image_;
    Listing list_;
    Reports reports_;
    // What the driver notes for the summary, the outputs and pass 2.
    struct {
        std::tm time{};
        uint64_t startMs = 0, endMs = 0;
        uint32_t pass1Lines = 0;
        bool pass1OscSeen = false;
        bool outputFailed = false;
        bool listingRemoved = false; // the symbol file could not be made
    } run_;
};

} // namespace orda
