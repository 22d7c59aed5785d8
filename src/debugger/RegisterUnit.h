// The register view's model: the painted surface (the global column, the bank grid, M and
// W, INT and SKIP, the program-memory strip) as cells with their text and colour state,
// where a click lands, the memory strip's scrolling, and the editing rules (typed digits,
// the neighbour moves). The window (ui/TRegisterForm) paints the cells and passes the
// mouse and the keys on.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "link/DebugState.h"
#include "target/AssemblyRecord.h"
#include "target/MemoryGeometry.h"

namespace pellix {

inline constexpr int kStripLines = 17;
inline constexpr int kStripWheelLines = 5;
inline constexpr int kRegisterHintMs = 4000;
inline constexpr char kMReadOnlyHint[] = "M is read-only during debug on SX48/52";
inline constexpr char kUnusedWordText[] = "(unused)";

// Text on background, by the state of what a cell shows.
enum class CellColor : uint8_t {
    Normal,       // window text on window
    Changed,      // white on red
    OtherBank,    // window text on the light 3-D colour
    OtherChanged, // white on maroon
    Cursor,       // white on black: the edit cursor
    FlagSet,      // white on blue
    Face,         // window text on the light 3-D colour: a strip line's address
    Current,      // white on blue: the strip's current line
    Breakpoint,   // white on red: the strip's breakpoint line
};

struct CellRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool Contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
    bool operator==(const CellRect&) const = default;
};

enum class CellKind : uint8_t { Label, Value, Bit, Flag, StripAddress, StripText };

inline constexpr int kFlagInt = 0;
inline constexpr int kFlagSkip = 1;

struct PaintCell {
    CellKind kind = CellKind::Label;
    // Value: the register (0x00 to 0xFF, kRegisterM, kRegisterW); Bit: register * 8 + bit;
    // Flag: kFlagInt or kFlagSkip; strip cells: the line 0 to 16; labels: their order.
    int index = 0;
    CellRect rect;
    std::string text;
    CellColor color = CellColor::Normal;
    bool frame = false;   // the blue frame around the register FSR points at
    bool small = false;   // the smaller font of bit numbers and labels
    bool centred = false; // else from the left, one small inset in
    bool operator==(const PaintCell&) const = default;
};

// What the layout is computed from: the editor font's "X" and the smaller font's.
struct RegisterMetrics {
    int charWidth = 8;
    int charHeight = 14;
    int smallWidth = 6;
    int smallHeight = 10;
    int scrollBarWidth = 16;
};

struct RegisterHit {
    enum What : uint8_t { None, Value, Bit, Flag, StripLine } what = None;
    int reg = -1;  // Value and Bit
    int bit = -1;  // Bit
    int flag = -1; // Flag
    int line = -1; // StripLine: 0 to 16
};

// Row labels: "IND", "WREG" or "RTCC", "PC", "STATUS", "FSR", the ports, then the address.
std::string GlobalRowLabel(int row, bool wAtOne, int ports);
// " " + the hex digit of FSR's bank + "x ".
std::string BankHeaderText(uint8_t fsr, int family);
// Whether a banked register lies in a bank other than the one FSR selects.
bool InOtherBank(int reg, uint8_t fsr, int family);
// The register IND reads: FSR itself, or FSR AND 0x0F for a global one (family 0).
int FsrTarget(uint8_t fsr, int family);
// IND, STATUS, registers 5 to 15 and W show (and flip) single bits.
bool HasBits(int reg);
// The text part of a strip line: the word and its disassembly, or "(unused)".
std::string StripWordText(const AssemblyRecord& record, int address, bool wAtOne);
// The strip's first line after ShowAddress: pc between the 4th and the 14th line.
int StripTopFor(int top, uint32_t pc, int memorySize);

// The edit cursor's moves. Banks: the geometry's RAM banks (1, 4 or 8 for family 0).
int FirstBankedRegister(int family, int banks);
int NextRegister(int reg, int family, int banks);
int PreviousRegister(int reg, int family, int banks);
int LeftRegister(int reg, int family, int banks);
int RightRegister(int reg, int family, int banks);
// The value after a typed hex digit: the first replaces the value, each further one shifts
// in; M of family 0 holds four bits.
uint8_t TypeDigit(uint8_t value, bool first, int digit, int reg, int family);

class RegisterSurface {
public:
    void Configure(int family, const MemoryGeometry& geometry, const RegisterMetrics& metrics);
    int Family() const { return family_; }
    const MemoryGeometry& Geometry() const { return geometry_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    CellRect ScrollBarRect() const { return scrollBar_; }
    // Register addresses at the top of each bank column.
    const std::vector<int>& BankColumns() const { return columns_; }

    // What changed at the last refresh (live against shown); the view keeps showing it in
    // red until the next one.
    void MarkChanges(const DebugState& live, const DebugState& shown);
    bool Changed(int reg) const { return changed_[size_t(reg)] != 0; }

    int StripTop() const { return stripTop_; }
    int StripMax() const;
    void SetStripTop(int top);
    void ShowAddress(uint32_t pc) { SetStripTop(StripTopFor(stripTop_, pc, geometry_.memorySize)); }
    // The code address a strip line shows, or -1 past the end of memory.
    int StripAddress(int line) const;

    // The register being edited (-1 none), the typed value when `typed`, and whether the
    // blinking cursor is on.
    int editing = -1;
    bool typed = false;
    uint8_t typedValue = 0;
    bool cursorOn = true;

    std::vector<PaintCell> Cells(const DebugState& live, const AssemblyRecord& record) const;
    RegisterHit HitTest(int x, int y) const;
    // Where a register's value, one of its bits, or a flag is drawn.
    CellRect ValueRect(int reg) const;
    CellRect BitRect(int reg, int bit) const;
    CellRect FlagRect(int flag) const;
    CellRect StripRect(int line) const;
    // The global column with M and W, the bank grid with the flags, the strip: drawn as
    // panels behind the cells.
    std::vector<CellRect> Panels() const;

private:
    int RowY(int row) const { return pad_ + row * rowHeight_; }
    // The bank-grid cell of a banked register, or -1 for a column, row.
    bool GridPlace(int reg, int& column, int& row) const;
    void AddValue(std::vector<PaintCell>& out, int reg, const DebugState& live) const;

    int family_ = 0;
    MemoryGeometry geometry_;
    RegisterMetrics m_;
    std::vector<int> columns_;
    std::array<uint8_t, kDebugRegisters + 2> changed_{}; // + INT and SKIP
    std::array<uint8_t, kDebugRegisters> changedBits_{};
    int stripTop_ = 0;

    int pad_ = 2, rowHeight_ = 16, digitPitch_ = 10;
    int labelX_ = 0, valueX_ = 0, valueW_ = 0, bitsX_ = 0;
    int gridX_ = 0, gridColumnX_ = 0, gridPitch_ = 0, gridCellW_ = 0, gridRight_ = 0;
    int stripX_ = 0, stripAddressW_ = 0, stripW_ = 0;
    int flagW_ = 0;
    CellRect scrollBar_;
    int width_ = 0, height_ = 0;
};

} // namespace pellix
