#include "sim/VcdWriter.h"

#include <algorithm>
#include <cstring>

namespace pellix {

namespace {

constexpr int kTimeRoom = 24;

constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233"
                          "34353637383940414243444546474849505152535455565758596061626364656667"
                          "6869707172737475767778798081828384858687888990919293949596979899";

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
    names_.clear();
    timeWritten_ = false;
    Put("$version pellix $end\n$timescale ");
    Put(timescale);
    Put(" $end\n$scope module ");
    Put(scope);
    Put(" $end\n");
    for (size_t i = 0; i < wires.size(); ++i) {
        // Printable characters, '!' to '~': one for the first 94 wires.
        std::string text;
        size_t n = i;
        do {
            text.push_back(static_cast<char>('!' + n % 94));
            n /= 94;
        } while (n > 0 && text.size() < 4);
        Id id{0, static_cast<uint8_t>(text.size())};
        unsigned char line[sizeof id.line] = {};
        std::memcpy(line + 1, text.data(), text.size());
        line[1 + text.size()] = '\n';
        std::memcpy(&id.line, line, sizeof line);
        ids_.push_back(id);
        names_.push_back(text);
        Put("$var wire 1 " + text + " " + wires[i] + " $end\n");
    }
    Put("$upscope $end\n$enddefinitions $end\n");
    WriteTime(time);
    Put("$dumpvars\n");
    for (size_t i = 0; i < wires.size(); ++i)
        Put(std::string(1, i < values.size() ? values[i] : 'x') + names_[i] + "\n");
    Put("$end\n");
}

void VcdWriter::WriteTime(uint64_t time) {
    // The whole array goes in one fixed-size copy; only the number and its line end count.
    Reserve(sizeof timeText_ + 1);
    char* out = buffer_.get() + used_;
    *out++ = '#';
    char* digits = timeText_;
    bool added = false;
    if (timeWritten_ && time > lastTime_ && time - lastTime_ < 1'000'000) {
        // Add the step to the digits, from the right, as on paper, both in the copy and in
        // the buffer (reading back digits just written would stall the copy); a carry out of
        // the first digit means one digit more, and the number is written out afresh.
        std::memcpy(out, digits, sizeof timeText_);
        uint64_t step = time - lastTime_;
        unsigned carry = 0;
        int i = timeDigits_ - 1;
        if (step < 100 && i >= 1) {
            // The usual step: the last two digits at once.
            unsigned low =
                unsigned(digits[i - 1] - '0') * 10 + unsigned(digits[i] - '0') + unsigned(step);
            carry = low >= 100;
            low -= carry ? 100 : 0;
            out[i - 1] = digits[i - 1] = kPairs[2 * low];
            out[i] = digits[i] = kPairs[2 * low + 1];
            step = 0;
            i -= 2;
        }
        for (; i >= 0 && (step || carry); --i) {
            unsigned d = unsigned(digits[i] - '0') + unsigned(step % 10) + carry;
            step /= 10;
            carry = d >= 10;
            out[i] = digits[i] = static_cast<char>('0' + (carry ? d - 10 : d));
        }
        added = !step && !carry;
    }
    if (!added) {
        char reversed[kTimeRoom];
        int n = 0;
        uint64_t t = time;
        do {
            reversed[n++] = static_cast<char>('0' + t % 10);
            t /= 10;
        } while (t);
        for (int i = 0; i < n; ++i)
            digits[i] = reversed[n - 1 - i];
        digits[n] = '\n';
        timeDigits_ = n;
        std::memcpy(out, digits, sizeof timeText_);
    }
    used_ += size_t(timeDigits_) + 2;
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
