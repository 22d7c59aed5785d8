#include "target/HexText.h"

#include <cstring>

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

bool ReadHex(AssemblyRecord& record, std::string_view text) {
    ProgramImage& image = record.transfer;
    image.Clear(record.deviceFamily);
    record.status = 1;

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

    while (!atEnd()) {
        if (text[pos++] != ':') continue;
        int count = readByte();
        int addrHi = count < 0 ? -1 : readByte();
        int addrLo = addrHi < 0 ? -1 : readByte();
        int type = addrLo < 0 ? -1 : readByte();
        if (type < 0) return violation();
        unsigned address = unsigned(addrHi) * 256 + unsigned(addrLo);
        if ((count & 1) || (address & 1)) return violation();
        unsigned sum = unsigned(count + addrHi + addrLo + type);
        int index = int(address / 2);
        for (int i = 0; i < count; i += 2, ++index) {
            int lo = readByte();
            int hi = lo < 0 ? -1 : readByte();
            if (hi < 0) return violation();
            sum += unsigned(lo + hi);
            // Only data records carry words: the payload of any other type is not code.
            if (type == 0 && index <= kFusexIndex) image[index] = uint16_t((hi * 256 + lo) & 0x0FFF);
        }
        int checksum = readByte();
        if (checksum < 0) return violation();
        sum += unsigned(checksum);
        if ((sum & 0xFF) != 0) return violation();
        if (type != 0) break;
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
