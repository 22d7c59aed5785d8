// A value change dump (the text format GTKWave and other wave viewers read) of one-bit
// wires, written as the values change. Output is buffered and goes to the stream in large
// pieces, so a trace of a pin that toggles every few cycles stays cheap.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pellix {

class VcdWriter {
public:
    explicit VcdWriter(std::ostream& out);
    ~VcdWriter();
    VcdWriter(const VcdWriter&) = delete;
    VcdWriter& operator=(const VcdWriter&) = delete;

    // The header: `timescale` as VCD writes it ("1 ns"), the wires in one scope, and their
    // values ('0', '1', 'z' or 'x') at `time`.
    void Begin(std::string_view timescale, std::string_view scope,
               const std::vector<std::string>& wires, const std::vector<char>& values,
               uint64_t time);
    // A wire takes `value` at `time` (never before the last time written).
    void Change(uint64_t time, size_t wire, char value) {
        if (time != lastTime_ || !timeWritten_) WriteTime(time);
        const Id& id = ids_[wire];
        Reserve(sizeof id.line);
        char* p = buffer_.get() + used_;
        std::memcpy(p, &id.line, sizeof id.line);
        p[0] = value;
        used_ += id.size + 2u;
    }
    // Marks the end of the trace at `time` and writes out what is buffered.
    void Finish(uint64_t time);
    void Flush();
    // The stream has refused a write.
    bool Failed() const { return !out_; }

private:
    void WriteTime(uint64_t time);
    void Reserve(size_t n) {
        if (used_ + n > kBufferSize) Flush();
    }
    void Put(std::string_view text);

    // An identifier: one to four printable characters (enough for 78 million wires), kept
    // as the bytes of a change's whole line, the value's byte left 0, to copy in one go.
    struct Id {
        uint64_t line;
        uint8_t size;
    };

    static constexpr size_t kBufferSize = 1 << 18;
    std::ostream& out_;
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
    uint64_t lastTime_ = 0;
    bool timeWritten_ = false;
    // The last time in decimal and a line end: the next is usually a small step on, and
    // adding the step to the digits is cheaper than writing the number out again.
    char timeText_[24] = {};
    int timeDigits_ = 0;
    std::vector<Id> ids_;
    std::vector<std::string> names_;
};

} // namespace pellix
