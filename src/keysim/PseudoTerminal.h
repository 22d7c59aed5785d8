// A pseudo-terminal that pellix-keysim serves: the device a program opens as a serial port,
// kept alive between connections, with its opens and closes seen as the line's connect
// and disconnect.
#pragma once

#include <functional>
#include <string>
#include <termios.h>

namespace pellix::keysim {

class PseudoTerminal {
public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // Opens one in raw mode at `speed`; on failure the step that failed, errno telling why.
    bool Open(speed_t speed, const char*& failure);
    // Also names the device `link` (a symbolic link, removed when this closes).
    bool Link(const std::string& link);

    const std::string& Path() const { return path_; }
    // Our end: what programs write to the device is read here and what is written here
    // they read. Non-blocking.
    int Master() const { return master_; }
    // Readable when the device was opened or closed.
    int Watch() const { return watch_; }

    // Takes the opens and closes seen since the last call, in order: `changed(true)` when
    // the first program opens the device, `changed(false)` when the last one closes it.
    void TakeChanges(const std::function<void(bool connected)>& changed);
    bool Connected() const { return opens_ > 0; }

    // Drops what was written to the device and not yet read, and puts it back in raw mode:
    // the next program to open it finds neither old bytes nor a terminal setting that
    // echoes.
    void Clean();
    // The terminal's output speed now (programs set it as on a serial port).
    speed_t Speed() const;

private:
    int master_ = -1;
    int hold_ = -1; // the device held open, so that it lives between connections
    int watch_ = -1;
    int opens_ = 0;
    std::string path_;
    std::string link_;
};

} // namespace pellix::keysim
