// The frames of the active macro expansions, packed one after another into a fixed area so
// that deep or wide expansions cost no allocation. Internal to src/asm.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace pellix::asmr {

inline constexpr size_t kFrameArea = 99'900;

// One frame, at an offset in the area; the fields are unaligned and in this order:
//   link       4 bytes  the enclosing expansion's frame, kNoFrame for the outermost
//   end        4        the offset just past this frame
//   count      4        the number of arguments
//   arguments  5 each   unresolved flag (1), value (4)
//   prefix     1 + n    the caller's local-label prefix: its length, its characters
//   resume     4        where the caller's text goes on after ENDM or EXITM
class MacroFrames {
public:
    static constexpr uint32_t kNoFrame = 0xFFFF'FFFFu;
    static constexpr size_t kHeaderBytes = 12;
    static constexpr size_t kArgumentBytes = 5;

    struct Argument {
        bool unresolved;
        uint32_t value;
    };

    uint32_t Link(size_t frame) const { return Load(frame + kLinkAt); }
    uint32_t ArgumentCount(size_t frame) const { return Load(frame + kCountAt); }
    // `index` counts from 0; below ArgumentCount.
    Argument ArgumentAt(size_t frame, uint32_t index) const {
        const size_t at = ArgumentOffset(frame, index);
        return {bytes_[at] != 0, Load(at + 1)};
    }
    std::string_view CallerPrefix(size_t frame) const {
        const size_t at = CallerOffset(frame);
        return {reinterpret_cast<const char*>(bytes_.data() + at + 1), bytes_[at]};
    }
    uint32_t Resume(size_t frame) const {
        const size_t at = CallerOffset(frame);
        return Load(at + 1 + bytes_[at]);
    }
    // The frame of the expansion that the source text itself started.
    size_t Outermost(size_t frame) const {
        for (uint32_t link = Link(frame); link != kNoFrame; link = Link(frame))
            frame = link;
        return frame;
    }

    // Writes a frame at the top of the area, field by field. Each Room* says whether the
    // next field still fits the area; nothing is linked in until the caller takes End().
    class Builder {
    public:
        Builder(MacroFrames& frames, size_t frame) : f_(frames), frame_(frame) {}
        bool RoomForHeader() const { return Fits(kHeaderBytes); }
        bool RoomForArgument() const { return Fits(Used() + kArgumentBytes); }
        void AddArgument(Argument argument) {
            f_.bytes_[at_] = argument.unresolved ? 1 : 0;
            f_.Store(at_ + 1, argument.value);
            at_ += kArgumentBytes;
            ++count_;
        }
        bool RoomForCaller(size_t prefixLength) const {
            return Fits(Used() + 1 + prefixLength + 4);
        }
        // The caller's prefix (at most 255 characters) and resume offset; returns the end.
        size_t Finish(uint32_t link, std::string_view prefix, uint32_t resume) {
            f_.bytes_[at_] = uint8_t(prefix.size());
            std::memcpy(f_.bytes_.data() + at_ + 1, prefix.data(), prefix.size());
            f_.Store(at_ + 1 + prefix.size(), resume);
            const size_t end = at_ + 1 + prefix.size() + 4;
            f_.Store(frame_ + kLinkAt, link);
            f_.Store(frame_ + kEndAt, uint32_t(end));
            f_.Store(frame_ + kCountAt, count_);
            return end;
        }

    private:
        size_t Used() const { return at_ - frame_; }
        bool Fits(size_t bytes) const { return bytes <= kFrameArea - frame_; }

        MacroFrames& f_;
        size_t frame_;
        size_t at_ = frame_ + kHeaderBytes;
        uint32_t count_ = 0;
    };

private:
    static constexpr size_t kLinkAt = 0, kEndAt = 4, kCountAt = 8;

    static size_t ArgumentOffset(size_t frame, uint32_t index) {
        return frame + kHeaderBytes + kArgumentBytes * size_t(index);
    }
    size_t CallerOffset(size_t frame) const { return ArgumentOffset(frame, ArgumentCount(frame)); }
    uint32_t Load(size_t at) const {
        uint32_t v;
        std::memcpy(&v, bytes_.data() + at, 4);
        return v;
    }
    void Store(size_t at, uint32_t value) { std::memcpy(bytes_.data() + at, &value, 4); }

    std::array<uint8_t, kFrameArea> bytes_{};
};

} // namespace pellix::asmr
