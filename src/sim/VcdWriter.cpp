#include "sim/VcdWriter.h"

#include <algorithm>

namespace pellix {

namespace {

// Identifiers of printable characters, '!' to '~', one character for the first 94 wires.
std::string IdOf(size_t index) {
    std::string id;
    do {
        id.push_back(static_cast<char>('!' + index % 94));
        index /= 94;
    } while (index > 0);
    return id;
}

} // namespace

VcdWriter::VcdWriter(std::ostream& out) : out_(out), buffer_(new char[kBufferSize]) {}

VcdWriter::~VcdWriter() {
    Flush();
}

void VcdWriter::Put(std::string_view text) {
    while (!text.empty()) {
        if (used_ == kBufferSize) Flush();
        size_t n = std::min(text.size(), kBufferSize - used_);
        text.copy(buffer_.get() + used_, n);
        used_ += n;
        text.remove_prefix(n);
    }
}

void VcdWriter::Begin(std::string_view timescale, std::string_view scope,
                      const std::vector<std::string>& wires, const std::vector<char>& values,
                      uint64_t time) {
    ids_.clear();
    Put("$version pellix $end\n$timescale ");
    Put(timescale);
    Put(" $end\n$scope module ");
    Put(scope);
    Put(" $end\n");
    for (size_t i = 0; i < wires.size(); ++i) {
        ids_.push_back(IdOf(i));
        Put("$var wire 1 " + ids_.back() + " " + wires[i] + " $end\n");
    }
    Put("$upscope $end\n$enddefinitions $end\n");
    WriteTime(time);
    Put("$dumpvars\n");
    for (size_t i = 0; i < wires.size(); ++i)
        Put(std::string(1, i < values.size() ? values[i] : 'x') + ids_[i] + "\n");
    Put("$end\n");
}

void VcdWriter::WriteTime(uint64_t time) {
    char digits[24];
    int n = 0;
    uint64_t t = time;
    do {
        digits[n++] = static_cast<char>('0' + t % 10);
        t /= 10;
    } while (t);
    Reserve(size_t(n) + 2);
    buffer_[used_++] = '#';
    while (n > 0)
        buffer_[used_++] = digits[--n];
    buffer_[used_++] = '\n';
    lastTime_ = time;
    timeWritten_ = true;
}

void VcdWriter::Finish(uint64_t time) {
    if (time > lastTime_ || !timeWritten_) WriteTime(time);
    Flush();
    out_.flush();
}

void VcdWriter::Flush() {
    if (used_ == 0) return;
    out_.write(buffer_.get(), static_cast<std::streamsize>(used_));
    used_ = 0;
}

} // namespace pellix
