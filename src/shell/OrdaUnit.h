// The environment's side of the external assembler: finding orda, running it on a saved
// source, reading back what it wrote (object, map, symbols, errors) into the shared record,
// and the lookups the list view and the debug window make on the map.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ChildProcess.h"
#include "platform/Prompter.h"
#include "shell/Services.h"
#include "shell/WorkingSettings.h"
#include "target/AssemblyRecord.h"

namespace pellix {

// orda lives in the program's folder under this name.
inline constexpr const char* kOrdaProgramName = "ORDA.dll";

// The folder that holds orda as ORDA.dll: the program's own (a build tree), else the one
// `installedFolder` names relative to it (an installation keeps it in libexec/pellix/).
// When neither holds it, the program's folder, so that the message about the missing
// ORDA.DLL names the place it was looked for first.
std::string OrdaFolder(const std::string& programFolder, const std::string& installedFolder);
// The folder beside it that takes orda's files when the setting asks for it.
inline constexpr const char* kOrdaOutputFolderName = "ORDA Output";

// Results of ORDA_Run besides orda's own exit codes (0 and 2 success, 1 errors).
inline constexpr int kOrdaMapFailed = 3;
inline constexpr int kOrdaObjectFailed = 4;
inline constexpr int kOrdaSymbolsFailed = 5;
// orda could not be found, started, or ended abnormally; the message was shown.
inline constexpr int kOrdaNotRun = -1;

inline constexpr const char* kWatchFormatNames[8] = {"UDEC", "SDEC", "UHEX", "SHEX",
                                                     "UBIN", "SBIN", "FSTR", "ZSTR"};

struct T_EXTLANG_SymbolInfo {
    std::string name;
    int64_t value = -1; // -1 when the file's value is not hexadecimal
    int32_t line = -1;  // listing line number of the definition
};

struct T_EXTLANG_WatchInfo {
    std::string name; // the watched expression as written
    int64_t address = -1;
    uint8_t length = 0;
    uint8_t format = 0; // index into kWatchFormatNames
    int32_t line = -1;
};

struct OrdaMapRecord {
    uint16_t address = 0;
    uint16_t line = 0;     // line within its source file
    uint16_t listLine = 0; // 1-based line of the list file
    uint16_t file = 0;     // index of the source file
};

struct OrdaMap {
    std::array<uint16_t, 6> header{}; // [2] device index, [3] program memory size - 1
    std::vector<OrdaMapRecord> records;
    std::vector<std::string> files; // by file index; empty where the slot is empty
    int MemoryWords() const { return header[3] + 1; }
};

struct OrdaObject {
    std::array<uint16_t, kCodeWords> code{}; // bit 15 marks written words
    std::array<uint16_t, kIdWords> id{};
    uint16_t fuse = 0;
    uint16_t fusex = 0;
    uint32_t frequency = 0;
    uint8_t irc = 0;
    uint16_t breakAddress = kNoBreak;
};

struct OrdaSymbols {
    std::vector<T_EXTLANG_SymbolInfo> symbols;
    std::vector<T_EXTLANG_WatchInfo> watches; // at most kMaxWatches
    int watchesFound = 0;                     // including those beyond kMaxWatches
    T_EXTLANG_SymbolInfo breakSymbol;
    T_EXTLANG_SymbolInfo resetSymbol;
};

// The readers of orda's files. Each takes the file's bytes and returns an empty text when
// it took them, otherwise what is wrong with them; they never read past the data.
std::string ReadOrdaMap(std::string_view data, OrdaMap& map);
// `map` is the map of the same run: it gives the memory size and the device.
std::string ReadOrdaObject(std::string_view data, const OrdaMap& map, OrdaObject& object);
std::string ReadOrdaSymbols(std::string_view text, OrdaSymbols& symbols);
// The lines of an error file (CR LF, LF or CR line ends).
std::vector<std::string> ReadOrdaErrors(std::string_view text);

// One line of the error file: "file(line) Line n, Severity m, Pass p: text".
struct OrdaErrorLine {
    std::string file; // empty when the line names none
    int line = -1;    // line within that file, -1 when none
    bool isError = false;
};
OrdaErrorLine ParseOrdaErrorLine(const std::string& line);

// The 1-based view line of the list file that shows listing line `n`, or -1. `lineText`
// gives the view's line i (0-based) of `lineCount`.
int ViewLineOfListingLine(const std::function<std::string(int)>& lineText, int lineCount, int n);

// For each line of a list file's view, the list line number the map uses for it: page
// headers are not counted there, so they get 0. `lineText` as above.
std::vector<int> ListLinesOfView(const std::function<std::string(int)>& lineText, int lineCount);

// orda's arguments (after its own path) for a run on `source` under `settings`.
std::vector<std::string> OrdaArguments(const WorkingSettings& settings, const std::string& source);

class OrdaUnit final : public ExternalAssemblerService {
public:
    // `programFolder` is the folder of the environment's own executable.
    OrdaUnit(AssemblyRecord& record, WorkingSettings& settings, Prompter& prompter,
             ChildProcess& process, std::string programFolder);

    // True when orda is present; says so when it is not.
    bool ORDA_Init();
    // Deletes the files (not folders) in orda's output folder: "ORDA Output" in the program
    // folder, or the per-user one orda uses when that cannot be made.
    void EmptyOutputFolder();
    // Runs orda on `sourcePath` and reads what it wrote: 0 or 2 success, 1 errors in the
    // source, 3 to 5 the map, object or symbol file could not be taken, kOrdaNotRun.
    int ORDA_Run(const std::string& sourcePath);

    // ExternalAssemblerService
    void Init() override;
    void Shutdown() override { EmptyOutputFolder(); }
    int Run(const std::string& path) override { return ORDA_Run(path); }
    std::string FailureDetail() const override { return failureDetail_; }
    void LoadErrorList() override;
    const std::vector<std::string>& ErrorList() const override { return errorList_; }
    void ClearErrors() override;
    int FirstErrorIndex() const override;
    std::string ErrorFileName(int i) const override;
    int ErrorLineNumber(int i) const override;
    std::string AssembledSource() const override { return sourcePath_; }
    void RemoveIntermediateFiles() override;

    // Lookups on the last run's map and symbols.
    int MapIndexOfAddress(int address) const;
    int MapIndexOfListLine(int listLine) const;
    int ListLineOfRecord(int i) const;
    int AddressOfRecord(int i) const;
    int MapCount() const { return int(map_.records.size()); }
    T_EXTLANG_SymbolInfo FindSymbol(const std::string& name, bool exact) const;
    int ResetLine() const;

    // Where a run on `sourcePath` puts its files, with the trailing separator.
    std::string OutputFolderFor(const std::string& sourcePath) const;
    // The output file of `sourcePath` with extension `ext` (".lst").
    std::string OutputFileFor(const std::string& sourcePath, const std::string& ext) const;

    const std::string& ProgramFolder() const { return programFolder_; }
    const std::string& SourcePath() const { return sourcePath_; }
    const OrdaMap& Map() const { return map_; }
    const OrdaSymbols& Symbols() const { return symbols_; }
    // The arguments of the last start, for the curious and for tests.
    const std::vector<std::string>& LastArguments() const { return lastArguments_; }

    // The output folder orda uses, with the trailing separator, when it exists.
    std::string OutputFolder() const;

private:
    void MakeOutputFolder();
    int ReadOutputs();
    void TransferWatches();
    void Message(const std::string& text, const std::string& caption, PromptIcon icon);

    AssemblyRecord& record_;
    WorkingSettings& settings_;
    Prompter& prompter_;
    ChildProcess& process_;
    std::string programFolder_;

    std::string sourcePath_;
    std::string outputBase_; // output folder + the source's name without its extension
    std::string failureDetail_;
    std::vector<std::string> errorList_;
    OrdaMap map_;
    OrdaSymbols symbols_;
    std::vector<std::string> lastArguments_;
};

} // namespace pellix
