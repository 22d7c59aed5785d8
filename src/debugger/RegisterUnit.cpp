#include "debugger/RegisterUnit.h"

#include <algorithm>
#include <cstdio>

#include "asm/Disassembler.h"

namespace pellix {

namespace {

std::string Hex(uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, unsigned(value));
    return buf;
}

int ShownBanks(int banks) {
    return banks >= 8 ? 8 : banks >= 4 ? 4 : 1;
}

bool IsBanked(int reg) {
    return reg >= 0x10 && reg <= 0xFF;
}

// Status bit names over STATUS's digits, from bit 7 down; the page bits share one label.
struct StatusLabel {
    const char* text;
    int firstBit; // the leftmost bit it covers
    int bits;
};
constexpr StatusLabel kStatusLabels[] = {{"PAx", 7, 3}, {"TO", 4, 1}, {"PD", 3, 1},
                                         {"Z", 2, 1},   {"DC", 1, 1}, {"C", 0, 1}};

// Rows of the surface: the header, the sixteen global registers, M, W.
constexpr int kHeaderRow = 0;
constexpr int kMRow = 17;
constexpr int kWRow = 18;
constexpr int kRows = 19;

} // namespace

std::string GlobalRowLabel(int row, bool wAtOne, int ports) {
    static constexpr const char* kNames[] = {"IND", "RTCC", "PC", "STATUS", "FSR",
                                             "RA",  "RB",   "RC", "RD",     "RE"};
    if (row == 1) return wAtOne ? "WREG" : "RTCC";
    if (row >= 0 && row < 5) return kNames[row];
    if (row >= 5 && row < 5 + std::clamp(ports, 0, 5)) return kNames[row];
    return Hex(uint32_t(row) & 0xFF, 2);
}

std::string BankHeaderText(uint8_t fsr, int family) {
    // The SX48/52's banks are sixteen registers apart, so the whole upper nibble selects.
    uint32_t bank = family == 1 ? (fsr & 0xF0u) / 16 : (fsr & 0xE0u) / 16;
    return " " + Hex(bank, 1) + "x ";
}

bool InOtherBank(int reg, uint8_t fsr, int family) {
    if (!IsBanked(reg)) return false;
    if (family == 1) return (reg & 0xF0) != (fsr & 0xF0);
    return (reg & 0x10) != 0 && (reg & 0xE0) != (fsr & 0xE0);
}

int FsrTarget(uint8_t fsr, int family) {
    if (family == 1 || (fsr & 0x10)) return fsr;
    return fsr & 0x0F;
}

bool HasBits(int reg) {
    return reg == 0 || reg == 3 || (reg >= 5 && reg <= 15) || reg == kRegisterW;
}

std::string StripWordText(const AssemblyRecord& record, int address, bool wAtOne) {
    const ProgramImage& image = record.assembled;
    std::string text = Hex(image.Code(address), 3) + "  ";
    return text + (image.Written(address) ? Disassemble(record, address, wAtOne) : kUnusedWordText);
}

int StripTopFor(int top, uint32_t pc, int memorySize) {
    int p = int(pc);
    top = std::min(std::max(top, p - 13), p - 3);
    return std::clamp(top, 0, std::max(memorySize - kStripLines, 0));
}

int FirstBankedRegister(int family, int banks) {
    if (family == 1) return 0x10;
    return (8 - ShownBanks(banks)) * 0x20 + 0x10;
}

int NextRegister(int reg, int family, int banks) {
    if (reg == kRegisterM) return kRegisterW;
    if (reg == kRegisterW) return FirstBankedRegister(family, banks);
    if (reg == 0x0F) return kRegisterM;
    if (reg < 0x0F) return reg + 1;
    if (reg >= 0xFF) return 0x00;
    if (family == 0 && (reg & 0x0F) == 0x0F) return reg + 0x11; // on to the next bank
    return reg + 1;
}

int PreviousRegister(int reg, int family, int banks) {
    if (reg == kRegisterW) return kRegisterM;
    if (reg == kRegisterM) return 0x0F;
    if (reg == 0x00) return 0xFF;
    if (reg <= 0x0F) return reg - 1;
    if (reg == FirstBankedRegister(family, banks)) return kRegisterW;
    if (family == 0 && (reg & 0x0F) == 0x00) return reg - 0x11;
    return reg - 1;
}

int RightRegister(int reg, int family, int banks) {
    if (reg == kRegisterM) return kRegisterW;
    if (reg == kRegisterW) return reg;
    if (reg <= 0x0F) return FirstBankedRegister(family, banks) + reg;
    int step = family == 1 ? 0x10 : 0x20;
    return reg + step <= 0xFF ? reg + step : reg;
}

int LeftRegister(int reg, int family, int banks) {
    if (reg == kRegisterW) return kRegisterM;
    if (reg == kRegisterM || reg <= 0x0F) return reg;
    int step = family == 1 ? 0x10 : 0x20;
    if (reg - step >= FirstBankedRegister(family, banks)) return reg - step;
    return reg & 0x0F; // from the first bank column to the global column
}

uint8_t TypeDigit(uint8_t value, bool first, int digit, int reg, int family) {
    uint32_t v = first ? uint32_t(digit & 0x0F) : ((uint32_t(value) * 16) + uint32_t(digit)) & 0xFF;
    if (reg == kRegisterM && family == 0) v &= 0x0F;
    return uint8_t(v);
}

void RegisterSurface::Configure(int family, const MemoryGeometry& geometry,
                                const RegisterMetrics& metrics) {
    family_ = family == 1 ? 1 : 0;
    geometry_ = geometry;
    m_ = metrics;
    const int cw = std::max(m_.charWidth, 1);
    const int sw = std::max(m_.smallWidth, 1);
    pad_ = std::max(2, cw / 3);
    rowHeight_ = std::max(m_.charHeight, m_.smallHeight) + 2;
    digitPitch_ = std::max(cw + 2, 2 * sw + 2); // room for "DC", "PD", "TO" over a digit

    labelX_ = pad_;
    valueX_ = labelX_ + 7 * sw + pad_; // "STATUS" and a gap before the value
    valueW_ = 2 * cw + pad_;
    bitsX_ = valueX_ + valueW_ + pad_;
    int globalRight = bitsX_ + 8 * digitPitch_;

    columns_.clear();
    if (family_ == 1) {
        for (int b = 1; b <= 15; ++b)
            columns_.push_back(b * 16);
    } else {
        int n = ShownBanks(geometry_.ramBanks);
        for (int b = 8 - n; b < 8; ++b)
            columns_.push_back(b * 0x20 + 0x10);
    }
    gridX_ = globalRight + 2 * pad_;
    gridColumnX_ = gridX_ + 2 * sw + pad_;
    gridCellW_ = 2 * cw + pad_;
    gridPitch_ = gridCellW_ + pad_;
    int gridRight = gridColumnX_ + int(columns_.size()) * gridPitch_;
    flagW_ = 4 * cw + 2 * pad_;
    gridRight = std::max(gridRight, gridX_ + flagW_);
    gridRight_ = gridRight;

    stripX_ = gridRight + 2 * pad_;
    stripAddressW_ = 5 * cw + pad_;     // "000- "
    stripW_ = stripAddressW_ + 24 * cw; // the word and the longest disassembly
    scrollBar_ = {stripX_ + stripW_, RowY(0), m_.scrollBarWidth, kStripLines * rowHeight_};
    width_ = scrollBar_.x + scrollBar_.w + pad_;
    height_ = RowY(kRows) + pad_;
    SetStripTop(stripTop_);
}

void RegisterSurface::MarkChanges(const DebugState& live, const DebugState& shown) {
    for (int r = 0; r < kDebugRegisters; ++r) {
        uint8_t diff = live.Register(r) ^ shown.Register(r);
        changed_[size_t(r)] = diff != 0;
        changedBits_[size_t(r)] = diff;
    }
}

int RegisterSurface::StripMax() const {
    return std::max(geometry_.memorySize - kStripLines, 0);
}

void RegisterSurface::SetStripTop(int top) {
    stripTop_ = std::clamp(top, 0, StripMax());
}

int RegisterSurface::StripAddress(int line) const {
    int a = stripTop_ + line;
    return line >= 0 && line < kStripLines && a < geometry_.memorySize ? a : -1;
}

bool RegisterSurface::GridPlace(int reg, int& column, int& row) const {
    if (!IsBanked(reg)) return false;
    for (size_t c = 0; c < columns_.size(); ++c) {
        int base = columns_[c];
        if (reg >= base && reg < base + 16) {
            column = int(c);
            row = reg - base;
            return true;
        }
    }
    return false;
}

CellRect RegisterSurface::ValueRect(int reg) const {
    const int h = rowHeight_ - 1;
    if (reg == kRegisterM) return {valueX_, RowY(kMRow), valueW_, h};
    if (reg == kRegisterW) return {valueX_, RowY(kWRow), valueW_, h};
    if (reg >= 0 && reg <= 0x0F) return {valueX_, RowY(reg + 1), valueW_, h};
    int column, row;
    if (!GridPlace(reg, column, row)) return {};
    return {gridColumnX_ + column * gridPitch_, RowY(row + 1), gridCellW_, h};
}

CellRect RegisterSurface::BitRect(int reg, int bit) const {
    if (!HasBits(reg) || bit < 0 || bit > 7) return {};
    int row = reg == kRegisterW ? kWRow : reg + 1;
    return {bitsX_ + (7 - bit) * digitPitch_, RowY(row), digitPitch_ - 1, rowHeight_ - 1};
}

CellRect RegisterSurface::FlagRect(int flag) const {
    return {gridX_, RowY(flag == kFlagInt ? kMRow : kWRow), flagW_, rowHeight_ - 1};
}

CellRect RegisterSurface::StripRect(int line) const {
    return {stripX_, RowY(line), stripW_, rowHeight_};
}

std::vector<CellRect> RegisterSurface::Panels() const {
    const int top = RowY(0) - 1;
    return {{labelX_ - 1, top, bitsX_ + 8 * digitPitch_ - labelX_ + 2, kRows * rowHeight_ + 2},
            {gridX_ - 1, top, gridRight_ - gridX_ + 2, kRows * rowHeight_ + 2},
            {stripX_ - 1, top, stripW_ + 2, kStripLines * rowHeight_ + 2}};
}

void RegisterSurface::AddValue(std::vector<PaintCell>& out, int reg, const DebugState& live) const {
    PaintCell c;
    c.kind = CellKind::Value;
    c.index = reg;
    c.rect = ValueRect(reg);
    c.centred = true;
    const uint8_t fsr = live.Register(4);
    int digits = reg == kRegisterM && family_ == 0 ? 1 : 2;
    uint8_t v = editing == reg && typed ? typedValue : live.Register(reg);
    c.text = Hex(digits == 1 ? v & 0x0F : v, digits);
    bool other = InOtherBank(reg, fsr, family_);
    bool changed = Changed(reg) && !(editing == reg && typed);
    c.color = changed ? (other ? CellColor::OtherChanged : CellColor::Changed)
                      : (other ? CellColor::OtherBank : CellColor::Normal);
    if (editing == reg && cursorOn) c.color = CellColor::Cursor;
    c.frame = reg <= 0xFF && reg == FsrTarget(fsr, family_);
    out.push_back(std::move(c));
    if (!HasBits(reg)) return;
    for (int bit = 7; bit >= 0; --bit) {
        PaintCell b;
        b.kind = CellKind::Bit;
        b.index = reg * 8 + bit;
        b.rect = BitRect(reg, bit);
        b.centred = true;
        b.text = (live.Register(reg) >> bit) & 1 ? "1" : "0";
        b.color = (changedBits_[size_t(reg)] >> bit) & 1 ? CellColor::Changed : CellColor::Normal;
        out.push_back(std::move(b));
    }
}

std::vector<PaintCell> RegisterSurface::Cells(const DebugState& live,
                                              const AssemblyRecord& record) const {
    std::vector<PaintCell> out;
    out.reserve(700);
    int order = 0;
    auto label = [&](CellRect r, std::string text, bool small, bool centred) {
        PaintCell c;
        c.kind = CellKind::Label;
        c.index = order++;
        c.rect = r;
        c.text = std::move(text);
        c.small = small;
        c.centred = centred;
        out.push_back(std::move(c));
    };
    const int h = rowHeight_ - 1;
    const uint8_t fsr = live.Register(4);

    // The global column: the bank FSR selects, bit numbers, the sixteen rows.
    label({labelX_, RowY(kHeaderRow), bitsX_ - labelX_, h}, BankHeaderText(fsr, family_), false,
          false);
    for (int bit = 7; bit >= 0; --bit) {
        CellRect r = BitRect(0, bit);
        label({r.x, RowY(kHeaderRow), r.w, h}, std::to_string(bit), true, true);
        CellRect w = BitRect(kRegisterW, bit);
        label({w.x, RowY(kMRow), w.w, h}, std::to_string(bit), true, true);
    }
    for (const StatusLabel& s : kStatusLabels) {
        CellRect r = BitRect(3, s.firstBit);
        label({r.x, RowY(3), s.bits * digitPitch_ - 1, h}, s.text, true, true);
    }
    for (int row = 0; row < 16; ++row) {
        label({labelX_, RowY(row + 1), valueX_ - labelX_, h},
              GlobalRowLabel(row, live.wAtOne != 0, geometry_.ports), true, false);
        AddValue(out, row, live);
    }
    label({labelX_, RowY(kMRow), valueX_ - labelX_, h}, "M", true, false);
    AddValue(out, kRegisterM, live);
    label({labelX_, RowY(kWRow), valueX_ - labelX_, h}, "W", true, false);
    AddValue(out, kRegisterW, live);

    // The bank grid.
    for (size_t c = 0; c < columns_.size(); ++c)
        label({gridColumnX_ + int(c) * gridPitch_, RowY(kHeaderRow), gridCellW_, h},
              Hex(uint32_t(columns_[c]) >> 4, 1) + "x", true, true);
    for (int row = 0; row < 16; ++row)
        label({gridX_, RowY(row + 1), gridColumnX_ - gridX_, h},
              family_ == 1 ? "x" + Hex(uint32_t(row), 1) : Hex(uint32_t(0x10 + row), 2), true,
              false);
    for (int base : columns_)
        for (int row = 0; row < 16; ++row)
            AddValue(out, base + row, live);

    // INT and SKIP.
    for (int flag : {kFlagInt, kFlagSkip}) {
        PaintCell c;
        c.kind = CellKind::Flag;
        c.index = flag;
        c.rect = FlagRect(flag);
        c.centred = true;
        c.text = flag == kFlagInt ? "INT" : "SKIP";
        bool set = (flag == kFlagInt ? live.intFlag : live.skipFlag) != 0;
        c.color = set ? CellColor::FlagSet : CellColor::Normal;
        out.push_back(std::move(c));
    }

    // The memory strip.
    const uint32_t mask = uint32_t(geometry_.memorySize - 1);
    const uint32_t current = (live.programCounter + (live.skipFlag ? 1 : 0)) & mask;
    for (int line = 0; line < kStripLines; ++line) {
        int a = StripAddress(line);
        PaintCell address, text;
        address.kind = CellKind::StripAddress;
        text.kind = CellKind::StripText;
        address.index = text.index = line;
        address.rect = {stripX_, RowY(line), stripAddressW_, rowHeight_};
        text.rect = {stripX_ + stripAddressW_, RowY(line), stripW_ - stripAddressW_, rowHeight_};
        address.color = CellColor::Face;
        if (a >= 0) {
            address.text = Hex(uint32_t(a), 3) + "- ";
            text.text = StripWordText(record, a, live.wAtOne != 0);
            bool isBreak = uint32_t(a) == live.breakpoint;
            bool isCurrent = uint32_t(a) == current;
            if (isCurrent) address.color = text.color = CellColor::Current;
            if (isBreak) address.color = CellColor::Breakpoint;
            if (isBreak && !isCurrent) text.color = CellColor::Breakpoint;
        }
        out.push_back(std::move(address));
        out.push_back(std::move(text));
    }
    return out;
}

RegisterHit RegisterSurface::HitTest(int x, int y) const {
    RegisterHit hit;
    auto value = [&](int reg) {
        if (!ValueRect(reg).Contains(x, y)) return false;
        hit.what = RegisterHit::Value;
        hit.reg = reg;
        return true;
    };
    auto bits = [&](int reg) {
        for (int bit = 0; bit < 8; ++bit)
            if (BitRect(reg, bit).Contains(x, y)) {
                hit.what = RegisterHit::Bit;
                hit.reg = reg;
                hit.bit = bit;
                return true;
            }
        return false;
    };
    for (int reg = 0; reg < 16; ++reg)
        if (value(reg) || (HasBits(reg) && bits(reg))) return hit;
    if (value(kRegisterM) || value(kRegisterW) || bits(kRegisterW)) return hit;
    for (int base : columns_)
        for (int row = 0; row < 16; ++row)
            if (value(base + row)) return hit;
    for (int flag : {kFlagInt, kFlagSkip})
        if (FlagRect(flag).Contains(x, y)) {
            hit.what = RegisterHit::Flag;
            hit.flag = flag;
            return hit;
        }
    for (int line = 0; line < kStripLines; ++line)
        if (StripRect(line).Contains(x, y) && StripAddress(line) >= 0) {
            hit.what = RegisterHit::StripLine;
            hit.line = line;
            return hit;
        }
    return hit;
}

} // namespace pellix
