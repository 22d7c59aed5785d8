#include "asm/Disassembler.h"

#include "target/InstructionSet.h"

namespace pellix {

namespace {

constexpr int kListingLineLimit = 255;

// The text of an operand field: registers by name up to the device's limit.
class Writer {
public:
    Writer(const AssemblyRecord& record, bool registerOneIsW)
        : w_(registerOneIsW), family1_(record.deviceFamily == 1) {
        if (family1_)
            limit_ = 9;
        else
            limit_ = (record.assembled.Fusex() & 0x400) ? 7 : 6;
    }

    std::string Field(isa::Field field, unsigned value) const {
        switch (field) {
        case isa::Field::Register:
        case isa::Field::Port:
            return Register(value);
        case isa::Field::Bit:
            return Bit(value);
        case isa::Field::Literal:
            return Hex(value, 2);
        case isa::Field::Literal4:
            return Hex(value, 1);
        case isa::Field::Address:
        case isa::Field::CallAddress:
            return Hex(value, 3);
        case isa::Field::Page:
            return Hex(value * 0x200, 3);
        case isa::Field::Bank:
            return Hex(value * (family1_ ? 0x10 : 0x20), 2);
        case isa::Field::None:
            break;
        }
        return {};
    }

    std::string Register(unsigned r) const {
        static constexpr const char* kNames[] = {"IND", "RTCC", "PC", "STATUS", "FSR",
                                                 "RA",  "RB",   "RC", "RD",     "RE"};
        if (int(r) <= limit_) return r == 1 && w_ ? "WREG" : kNames[r];
        return Hex(r, 2);
    }

    std::string Bit(unsigned field) const {
        unsigned reg = field & 0x1F, bit = (field >> 5) & 7;
        static constexpr const char* kStatus[] = {nullptr, "DC",  nullptr, "PD",
                                                  "TO",    "PA0", "PA1",   "PA2"};
        if (reg == 3 && kStatus[bit]) return kStatus[bit];
        return Register(reg) + "." + char('0' + bit);
    }

    static std::string Hex(unsigned value, int digits) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        std::string out;
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
            out += kDigits[(value >> shift) & 0xF];
        return out;
    }

private:
    bool w_;
    bool family1_;
    int limit_;
};

} // namespace

std::string Disassemble(const AssemblyRecord& record, int address, bool registerOneIsW) {
    const int at = address & 0xFFF;
    const unsigned w = record.assembled.Code(at);
    const isa::Instruction& row = isa::Decode(w, unsigned(at));
    if (row.form == isa::Form::Undefined) return "???";
    if (row.operands.empty()) return std::string(row.mnemonic);

    Writer o(record, registerOneIsW);
    std::string out(row.mnemonic);
    out.resize(6, ' ');
    for (char c : row.operands) {
        if (c == '%')
            out += o.Field(row.field, isa::FieldValue(row, w));
        else
            out += c;
    }
    return out;
}

std::string ListingLine(const AssemblyRecord& record, int line) {
    const DebugInfo& d = record.debug;
    std::string out;
    if (line < 0 || line >= d.lineCount) return out;
    size_t end = d.listingLength < d.listing.size() ? d.listingLength : d.listing.size();
    for (size_t i = size_t(d.lineText[size_t(line)]); i < end && d.listing[i] != '\r'; ++i) {
        if (out.size() >= size_t(kListingLineLimit)) break;
        if (d.listing[i] == '\t') {
            size_t stop = (out.size() / 8 + 1) * 8;
            if (stop > size_t(kListingLineLimit)) stop = kListingLineLimit;
            out.resize(stop, ' ');
        } else {
            out += d.listing[i];
        }
    }
    return out;
}

} // namespace pellix
