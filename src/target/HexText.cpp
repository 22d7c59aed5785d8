#include "target/HexText.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "target/DeviceTables.h"
#include "target/ListingWriter.h"

namespace pellix {

namespace {

bool WriteRecord(ListingWriter& out, const ProgramImage& image, int firstWord, int count) {
    unsigned address = unsigned(firstWord) * 2;
    unsigned sum = unsigned(count * 2) + (address >> 8) + (address & 0xFF);
    if (!out.Put(':') || !out.PutHex(unsigned(count * 2), 2) || !out.PutHex(address, 4) ||
        !out.Put("00"))
        return false;
    for (int i = 0; i < count; ++i) {
        uint16_t w = image[firstWord + i];
        unsigned lo = w & 0xFF, hi = (w >> 8) & 0x0F;
        sum += lo + hi;
        if (!out.PutHex(lo, 2) || !out.PutHex(hi, 2)) return false;
    }
    return out.PutHex((0x100 - (sum & 0xFF)) & 0xFF, 2) && out.Put("\r\n");
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

bool WriteHex(AssemblyRecord& record) {
    record.status = 1;
    record.debug.listingLength = 0;
    ListingWriter out(record.debug);
    const ProgramImage& image = record.assembled;
    bool ok = true;
    int words = Geometry(record.deviceFamily).programWords;
    for (int w = 0; ok && w < words; w += 16) ok = WriteRecord(out, image, w, 16);
    ok = ok && WriteRecord(out, image, kIdIndex, kIdWords);
    ok = ok && WriteRecord(out, image, kFuseIndex, 2);
    ok = ok && out.Put(":00000001FF\r\n");
    if (!ok) {
        record.Fail(kListTooLarge);
        return false;
    }
    if (record.debug.listingLength < record.debug.listing.size())
        record.debug.listing[record.debug.listingLength] = '\0';
    record.status = 0;
    return true;
}

bool ReadHex(AssemblyRecord& record) {
    const DebugInfo& d = record.debug;
    size_t length = d.listingLength;
    if (length > d.listing.size()) length = d.listing.size();
    return ReadHex(record, std::string_view(d.listing.data(), length));
}

bool ReadHex(AssemblyRecord& record, std::string_view text, size_t* wordsPlaced) {
    ProgramImage& image = record.transfer;
    image.Clear(record.deviceFamily);
    record.status = 1;
    if (wordsPlaced) *wordsPlaced = 0;

    size_t pos = 0;
    auto atEnd = [&] { return pos >= text.size() || text[pos] == '\0'; };
    // One byte as two hex digits; -1 on anything else, the end of the text included.
    auto readByte = [&]() -> int {
        if (atEnd()) return -1;
        int hi = HexValue(text[pos++]);
        if (atEnd()) return -1;
        int lo = HexValue(text[pos++]);
        if (hi < 0 || lo < 0) return -1;
        return hi * 16 + lo;
    };
    auto violation = [&] {
        record.Fail(kHexViolation);
        return false;
    };
    // The line of the record that starts at `at`: CR LF, LF and a lone CR end a line.
    size_t line = 1, counted = 0;
    auto lineAt = [&](size_t at) {
        for (; counted < at; ++counted)
            if (text[counted] == '\n' || (text[counted] == '\r' && (counted + 1 >= text.size() ||
                                                                    text[counted + 1] != '\n')))
                ++line;
        return std::to_string(line);
    };

    uint32_t upper = 0; // of the last extended linear address record
    std::array<uint8_t, 255> data{};
    while (!atEnd()) {
        const size_t start = pos;
        if (text[pos++] != ':') continue;
        int count = readByte();
        int addrHi = count < 0 ? -1 : readByte();
        int addrLo = addrHi < 0 ? -1 : readByte();
        int type = addrLo < 0 ? -1 : readByte();
        if (type < 0) return violation();
        unsigned address = unsigned(addrHi) * 256 + unsigned(addrLo);
        if ((count & 1) || (address & 1)) return violation();
        unsigned sum = unsigned(count + addrHi + addrLo + type);
        for (int i = 0; i < count; ++i) {
            int b = readByte();
            if (b < 0) return violation();
            sum += unsigned(b);
            data[size_t(i)] = uint8_t(b);
        }
        int checksum = readByte();
        if (checksum < 0) return violation();
        sum += unsigned(checksum);
        if ((sum & 0xFF) != 0) return violation();

        if (type == 0) {
            // Above the first 64 KB no word has a place in the image: refused, not dropped.
            if (upper != 0 && count > 0) {
                char where[16];
                std::snprintf(where, sizeof where, "%X", unsigned(upper << 16 | address));
                record.Fail("ERROR! Line " + lineAt(start) +
                            " of the hex file places words at byte address " + where +
                            ", outside the program image.");
                return false;
            }
            // Words after FUSEX are skipped: orda's configuration record has eight.
            int index = int(address / 2);
            for (int i = 0; i < count; i += 2, ++index) {
                if (index > kFusexIndex) continue;
                image[index] = uint16_t((data[size_t(i + 1)] * 256 + data[size_t(i)]) & 0x0FFF);
                if (wordsPlaced) ++*wordsPlaced;
            }
            continue;
        }
        if (type == 2) {
            record.Fail("ERROR! Line " + lineAt(start) +
                        " of the hex file is an extended segment address record (type 02); an "
                        "SX image has no segments.");
            return false;
        }
        if (type == 4) {
            if (count != 2) return violation();
            upper = uint32_t(data[0]) << 8 | data[1];
            continue;
        }
        break; // the end record, and any other type, ends the read
    }

    record.status = 0;
    for (int k = 0; k < kCodeWords; ++k) image[k] |= kWrittenMark;
    for (int k = kCodeWords - 2; k >= 0; --k) {
        if (image.Code(k) == 0xFFF && image.Code(k + 1) == 0xFFF) {
            image[k] &= uint16_t(~kWrittenMark);
            image[k + 1] &= uint16_t(~kWrittenMark);
        }
    }
    return true;
}

} // namespace pellix
