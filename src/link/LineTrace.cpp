#include "link/LineTrace.h"

#include <string>

namespace pellix {

namespace {

void AppendHex(std::string& line, int value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    line += ' ';
    if (value < 0) {
        line += "..";
        return;
    }
    line += kDigits[(value >> 4) & 0xF];
    line += kDigits[value & 0xF];
}

} // namespace

void LineTrace::Opened(uint32_t now) {
    EndBurst();
    opened_ = now;
    started_ = true;
    echoes_.clear();
    orphans_ = 0;
}

void LineTrace::Sent(uint32_t now, std::span<const uint8_t> raw, std::span<const uint8_t> plain) {
    EndBurst();
    std::vector<int> shown(plain.begin(), plain.end());
    WriteLine(now, '>', raw, shown);
    echoes_.insert(echoes_.end(), plain.begin(), plain.end());
}

void LineTrace::Gather(uint32_t now, std::span<const uint8_t> raw) {
    if (!gathering_) {
        gathering_ = true;
        burstStart_ = now;
    }
    raw_.insert(raw_.end(), raw.begin(), raw.end());
}

void LineTrace::Received(uint32_t now, std::span<const uint8_t> raw, size_t echo) {
    Gather(now, raw);
    for (size_t i = 0; i < raw.size(); ++i) {
        if (i < echo && !echoes_.empty()) {
            plain_.push_back(echoes_.front());
            echoes_.pop_front();
        } else {
            untaken_.push_back(plain_.size());
            plain_.push_back(kUntaken);
        }
    }
}

void LineTrace::Dropped(uint32_t now, std::span<const uint8_t> raw) {
    Gather(now, raw);
    plain_.insert(plain_.end(), raw.begin(), raw.end());
}

void LineTrace::Taken(uint8_t plain) {
    // Bytes are taken in the order they came: those of bursts already written first.
    if (orphans_ > 0) {
        --orphans_;
        return;
    }
    if (untaken_.empty()) return;
    plain_[untaken_.front()] = plain;
    untaken_.pop_front();
}

void LineTrace::Closed() {
    EndBurst();
    echoes_.clear();
    orphans_ = 0;
}

void LineTrace::EndBurst() {
    if (!gathering_) return;
    WriteLine(burstStart_, '<', raw_, plain_);
    orphans_ += untaken_.size();
    gathering_ = false;
    raw_.clear();
    plain_.clear();
    untaken_.clear();
}

void LineTrace::WriteLine(uint32_t now, char direction, std::span<const uint8_t> raw,
                          std::span<const int> plain) {
    // A trace begun on a port already open counts from its first burst.
    if (!started_) {
        opened_ = now;
        started_ = true;
    }
    std::string line = std::to_string(uint32_t(now - opened_));
    line += ' ';
    line += direction;
    for (uint8_t b : raw)
        AppendHex(line, b);
    line += " |";
    for (int p : plain)
        AppendHex(line, p);
    line += '\n';
    out_ << line;
    out_.flush();
}

} // namespace pellix
