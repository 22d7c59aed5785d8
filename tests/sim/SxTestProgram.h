// A tiny SX encoder for the simulator tests: words by mnemonic, labels resolved at the end.
// It knows nothing the assembler knows beyond the instruction words themselves.
#pragma once

#include "sim/SxChipConfig.h"

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace sxtest {

class Program {
public:
    Program() : words_(4096, 0xFFF) {}

    Program& Org(int address) {
        at_ = address;
        return *this;
    }
    int Here() const { return at_; }
    Program& Label(const std::string& name) {
        labels_[name] = at_;
        return *this;
    }
    int Address(const std::string& name) const {
        auto it = labels_.find(name);
        if (it == labels_.end()) throw std::runtime_error("no label " + name);
        return it->second;
    }
    Program& Word(unsigned w) {
        words_.at(static_cast<size_t>(at_)) = static_cast<uint16_t>(w & 0xFFF);
        at_ = (at_ + 1) & 0xFFF;
        return *this;
    }

    // Register-field forms.
    Program& MovFrW(unsigned fr) { return Word(0x020 | (fr & 0x1F)); }
    Program& MovWFr(unsigned fr) { return Word(0x200 | (fr & 0x1F)); }
    Program& MovWLit(unsigned lit) { return Word(0xC00 | (lit & 0xFF)); }
    Program& MovFrLit(unsigned fr, unsigned lit) { return MovWLit(lit).MovFrW(fr); }
    Program& AddFrW(unsigned fr) { return Word(0x1E0 | (fr & 0x1F)); }
    Program& AddWFr(unsigned fr) { return Word(0x1C0 | (fr & 0x1F)); }
    Program& SubFrW(unsigned fr) { return Word(0x0A0 | (fr & 0x1F)); }
    Program& MovWFrMinusW(unsigned fr) { return Word(0x080 | (fr & 0x1F)); }
    Program& Clr(unsigned fr) { return Word(0x060 | (fr & 0x1F)); }
    Program& ClrW() { return Word(0x040); }
    Program& Inc(unsigned fr) { return Word(0x2A0 | (fr & 0x1F)); }
    Program& Dec(unsigned fr) { return Word(0x0E0 | (fr & 0x1F)); }
    Program& Incsz(unsigned fr) { return Word(0x3E0 | (fr & 0x1F)); }
    Program& Decsz(unsigned fr) { return Word(0x2E0 | (fr & 0x1F)); }
    Program& Rl(unsigned fr) { return Word(0x360 | (fr & 0x1F)); }
    Program& Rr(unsigned fr) { return Word(0x320 | (fr & 0x1F)); }
    Program& Swap(unsigned fr) { return Word(0x3A0 | (fr & 0x1F)); }
    Program& Not(unsigned fr) { return Word(0x260 | (fr & 0x1F)); }
    Program& Test(unsigned fr) { return Word(0x220 | (fr & 0x1F)); }
    Program& AndWLit(unsigned lit) { return Word(0xE00 | (lit & 0xFF)); }
    Program& OrWLit(unsigned lit) { return Word(0xD00 | (lit & 0xFF)); }
    Program& XorWLit(unsigned lit) { return Word(0xF00 | (lit & 0xFF)); }
    Program& XorWFr(unsigned fr) { return Word(0x180 | (fr & 0x1F)); }

    // Bit forms: bit number 0-7.
    Program& Setb(unsigned fr, unsigned bit) { return Word(0x500 | (bit << 5) | (fr & 0x1F)); }
    Program& Clrb(unsigned fr, unsigned bit) { return Word(0x400 | (bit << 5) | (fr & 0x1F)); }
    Program& Sb(unsigned fr, unsigned bit) { return Word(0x700 | (bit << 5) | (fr & 0x1F)); }
    Program& Snb(unsigned fr, unsigned bit) { return Word(0x600 | (bit << 5) | (fr & 0x1F)); }
    Program& Stc() { return Word(0x503); }
    Program& Clc() { return Word(0x403); }
    Program& Sz() { return Word(0x743); }
    Program& Snz() { return Word(0x643); }

    // Control.
    Program& Jmp(const std::string& label) { return Fixup(label, 0xA00, 0x1FF); }
    Program& Call(const std::string& label) { return Fixup(label, 0x900, 0xFF); }
    Program& JmpSelf() { return Word(0xA00 | (at_ & 0x1FF)); }
    Program& Page(const std::string& label) { return Fixup(label, 0x010, 0, 9); }
    Program& PageN(unsigned n) { return Word(0x010 | (n & 7)); }
    Program& BankN(unsigned n) { return Word(0x018 | (n & 7)); }
    Program& ModeN(unsigned n) { return Word(0x050 | (n & 0x0F)); }
    Program& Retw(unsigned lit) { return Word(0x800 | (lit & 0xFF)); }
    Program& Ret() { return Word(0x00C); }
    Program& Retp() { return Word(0x00D); }
    Program& Reti() { return Word(0x00E); }
    Program& Retiw() { return Word(0x00F); }
    Program& JmpW() { return Word(0x022); }
    Program& JmpPcPlusW() { return Word(0x1E2); }
    Program& MovOptionW() { return Word(0x002); }
    Program& MovPortW(unsigned port) { return Word(port & 0x0F); }
    Program& MovMW() { return Word(0x043); }
    Program& MovWM() { return Word(0x042); }
    Program& Iread() { return Word(0x041); }
    Program& Sleep() { return Word(0x003); }
    Program& ClrWdt() { return Word(0x004); }
    Program& Nop() { return Word(0x000); }

    // Compare fr with a literal and jump when equal / not equal (W is changed).
    Program& CjeLit(unsigned fr, unsigned lit, const std::string& label) {
        return MovWLit(lit).MovWFrMinusW(fr).Snz().Jmp(label);
    }
    Program& CjneLit(unsigned fr, unsigned lit, const std::string& label) {
        return MovWLit(lit).MovWFrMinusW(fr).Sz().Jmp(label);
    }

    // The words, labels resolved.
    std::vector<uint16_t> Words() const {
        std::vector<uint16_t> out = words_;
        for (const auto& f : fixups_) {
            int a = Address(f.label);
            unsigned field = f.shift ? static_cast<unsigned>(a >> f.shift) & 7
                                     : static_cast<unsigned>(a) & f.mask;
            out[static_cast<size_t>(f.at)] = static_cast<uint16_t>(f.base | field);
        }
        return out;
    }

private:
    struct Fix {
        int at;
        std::string label;
        unsigned base, mask;
        int shift;
    };
    Program& Fixup(const std::string& label, unsigned base, unsigned mask, int shift = 0) {
        fixups_.push_back({at_, label, base, mask, shift});
        return Word(base);
    }

    std::vector<uint16_t> words_;
    int at_ = 0;
    std::map<std::string, int> labels_;
    std::vector<Fix> fixups_;
};

// Register addresses.
inline constexpr unsigned IND = 0x00, RTCC = 0x01, PC = 0x02, STATUS = 0x03, FSR = 0x04;
inline constexpr unsigned RA = 0x05, RB = 0x06, RC = 0x07;

// An SX28 as a programmer would set it up, FUSE and FUSEX from the DEVICE options.
inline pellix::SxChipConfig Sx28(bool turbo = true, bool extended = true, bool carryx = false,
                                 uint16_t memoryBits = 3) {
    uint16_t fuse = turbo ? 0x7FA : 0xFFA;
    uint16_t fusex = static_cast<uint16_t>(0xFFC | memoryBits);
    if (extended) fusex &= static_cast<uint16_t>(~0x080);
    if (carryx) fusex &= static_cast<uint16_t>(~0x040);
    return pellix::SxChipConfig::FromFuses(0, fuse, fusex, 50'000'000);
}

inline pellix::SxChipConfig Sx52(bool carryx = false) {
    return pellix::SxChipConfig::FromFuses(1, 0xFFA, carryx ? 0xFBF : 0xFFF, 50'000'000);
}

} // namespace sxtest
