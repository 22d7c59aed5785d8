#include "asm/Disassembler.h"

#include <string_view>

namespace pellix {

namespace {

constexpr int kListingLineLimit = 255;

std::string Cat(std::string_view head, const std::string& tail) {
    std::string out(head);
    out += tail;
    return out;
}

class Writer {
public:
    Writer(const AssemblyRecord& record, bool registerOneIsW) : w_(registerOneIsW) {
        if (record.deviceFamily == 1)
            limit_ = 9;
        else
            limit_ = (record.assembled.Fusex() & 0x400) ? 7 : 6;
    }

    // The mnemonic in a field of 6, then the operands.
    std::string Op(std::string_view mnemonic, std::string_view operands) {
        std::string out(mnemonic);
        out.resize(6, ' ');
        out += operands;
        return out;
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
    int limit_;
};

} // namespace

std::string Disassemble(const AssemblyRecord& record, int address, bool registerOneIsW) {
    Writer o(record, registerOneIsW);
    const int at = address & 0xFFF;
    const unsigned w = record.assembled.Code(at);
    const unsigned fr = w & 0x1F, ll = w & 0xFF, bit = w & 0xFF;
    const std::string r = o.Register(fr);

    if (w < 0x020) {
        switch (w) {
        case 0x000:
            return "NOP";
        case 0x001:
            return "???";
        case 0x002:
            return o.Op("MOV", "!OPTION,W");
        case 0x003:
            return "SLEEP";
        case 0x004:
            return o.Op("CLR", "!WDT");
        case 0x00C:
            return "RET";
        case 0x00D:
            return "RETP";
        case 0x00E:
            return "RETI";
        case 0x00F:
            return "RETIW";
        default:
            break;
        }
        if (w <= 0x00B) return o.Op("MOV", "!" + r + ",W");
        if (w <= 0x017) return o.Op("PAGE", Writer::Hex((w & 7) * 0x200, 3));
        unsigned bank = (w & 7) * (record.deviceFamily == 1 ? 0x10 : 0x20);
        return o.Op("BANK", Writer::Hex(bank, 2));
    }
    if (w < 0x040) return w == 0x022 ? o.Op("JMP", "W") : o.Op("MOV", r + ",W");
    if (w < 0x060) {
        switch (w) {
        case 0x040:
            return o.Op("CLR", "W");
        case 0x041:
            return "IREAD";
        case 0x042:
            return o.Op("MOV", "W,M");
        case 0x043:
            return o.Op("MOV", "M,W");
        default:
            break;
        }
        if (w < 0x050) return "???";
        return o.Op("MOV", Cat("M,#", Writer::Hex(w & 0xF, 1)));
    }
    if (w < 0x400) {
        if (w == 0x1E2) return o.Op("JMP", "PC+W");
        switch (w & 0x3E0) {
        case 0x060:
            return o.Op("CLR", r);
        case 0x080:
            return o.Op("MOV", "W," + r + "-W");
        case 0x0A0:
            return o.Op("SUB", r + ",W");
        case 0x0C0:
            return o.Op("MOV", "W,--" + r);
        case 0x0E0:
            return o.Op("DEC", r);
        case 0x100:
            return o.Op("OR", "W," + r);
        case 0x120:
            return o.Op("OR", r + ",W");
        case 0x140:
            return o.Op("AND", "W," + r);
        case 0x160:
            return o.Op("AND", r + ",W");
        case 0x180:
            return o.Op("XOR", "W," + r);
        case 0x1A0:
            return o.Op("XOR", r + ",W");
        case 0x1C0:
            return o.Op("ADD", "W," + r);
        case 0x1E0:
            return o.Op("ADD", r + ",W");
        case 0x200:
            return o.Op("MOV", "W," + r);
        case 0x220:
            return o.Op("TEST", r);
        case 0x240:
            return o.Op("MOV", "W,/" + r);
        case 0x260:
            return o.Op("NOT", r);
        case 0x280:
            return o.Op("MOV", "W,++" + r);
        case 0x2A0:
            return o.Op("INC", r);
        case 0x2C0:
            return o.Op("MOVSZ", "W,--" + r);
        case 0x2E0:
            return o.Op("DECSZ", r);
        case 0x300:
            return o.Op("MOV", "W,>>" + r);
        case 0x320:
            return o.Op("RR", r);
        case 0x340:
            return o.Op("MOV", "W,<<" + r);
        case 0x360:
            return o.Op("RL", r);
        case 0x380:
            return o.Op("MOV", "W,<>" + r);
        case 0x3A0:
            return o.Op("SWAP", r);
        case 0x3C0:
            return o.Op("MOVSZ", "W,++" + r);
        default:
            return o.Op("INCSZ", r);
        }
    }
    switch (w & 0xF00) {
    case 0x400:
        if (w == 0x403) return "CLC";
        if (w == 0x443) return "CLZ";
        return o.Op("CLRB", o.Bit(bit));
    case 0x500:
        if (w == 0x503) return "STC";
        if (w == 0x543) return "STZ";
        return o.Op("SETB", o.Bit(bit));
    case 0x600:
        if (w == 0x602 && (at & 1)) return "SKIP";
        if (w == 0x603) return "SNC";
        if (w == 0x643) return "SNZ";
        return o.Op("SNB", o.Bit(bit));
    case 0x700:
        if (w == 0x702 && !(at & 1)) return "SKIP";
        if (w == 0x703) return "SC";
        if (w == 0x743) return "SZ";
        return o.Op("SB", o.Bit(bit));
    case 0x800:
        return o.Op("RETW", Writer::Hex(ll, 2));
    case 0x900:
        return o.Op("CALL", Writer::Hex(ll, 3));
    case 0xA00:
    case 0xB00:
        return o.Op("JMP", Writer::Hex(w & 0x1FF, 3));
    case 0xC00:
        return o.Op("MOV", Cat("W,#", Writer::Hex(ll, 2)));
    case 0xD00:
        return w == 0xD00 ? o.Op("TEST", "W") : o.Op("OR", Cat("W,#", Writer::Hex(ll, 2)));
    case 0xE00:
        return o.Op("AND", Cat("W,#", Writer::Hex(ll, 2)));
    default:
        return w == 0xFFF ? o.Op("NOT", "W") : o.Op("XOR", Cat("W,#", Writer::Hex(ll, 2)));
    }
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
