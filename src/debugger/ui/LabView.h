// A window of the virtual lab (Pins, Terminal) as the debug window drives it: told which
// chip it works on as a session opens and closes, and asked to look at the chip again at
// the debug window's update speed and after each of its buttons.
#pragma once

namespace pellix {

class VirtualChip;

class LabView {
public:
    virtual ~LabView() = default;
    // The chip on the virtual key's board while a session runs on it; nullptr when the
    // session is on a real key, and when it ends.
    virtual void LabChipChanged(VirtualChip* chip) = 0;
    // The chip may have moved (the timer ticked, a button ran it): show what it does now.
    // Called often while it runs freely, so cheap when nothing changed.
    virtual void LabRefresh() = 0;
};

} // namespace pellix
