#include "target/ImageFile.h"

#include "target/HexText.h"

namespace pellix {

bool LoadImageText(AssemblyRecord& record, std::string_view text) {
    // A file larger than the listing buffer is read where it is rather than cut short.
    bool ok = record.debug.SetListingText(text) ? ReadHex(record) : ReadHex(record, text);
    if (!ok) return false;
    record.assembled = record.transfer;
    // An image file names no IRC choice: an earlier program's does not carry over to it.
    record.debug.ircChoice = kNoIrcChoice;
    record.deviceFamily = record.transfer[kCodeWords - 1] != kUnwritten ? 1 : 0;
    return true;
}

} // namespace pellix
