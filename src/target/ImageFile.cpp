#include "target/ImageFile.h"

#include "target/HexText.h"

namespace pellix {

bool LoadImageText(AssemblyRecord& record, std::string_view text) {
    size_t words = 0;
    // A file larger than the listing buffer is read where it is rather than cut short.
    bool ok = record.debug.SetListingText(text)
                  ? ReadHex(record, record.debug.ListingText(), &words)
                  : ReadHex(record, text, &words);
    if (!ok) return false;
    // Nothing to program or show: reading it as a blank image would pass a wrong file off
    // as a program.
    if (words == 0) {
        record.Fail(kImageHoldsNoWords);
        return false;
    }
    record.assembled = record.transfer;
    // An image file names no IRC choice: an earlier program's does not carry over to it.
    record.debug.ircChoice = kNoIrcChoice;
    record.deviceFamily = record.transfer[kCodeWords - 1] != kUnwritten ? 1 : 0;
    return true;
}

} // namespace pellix
