#pragma once
// Bit-level reading of SWF records. Reading past the end yields zeros and
// sets overrun(), so a parser can read a whole record and then check once.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace swf::detail {

class Bits {
public:
    explicit Bits(std::span<const uint8_t> data) : data_(data) {}

    bool overrun() const { return overrun_; }
    bool at_end() const { return pos_ >= data_.size(); }
    size_t position() const { return pos_; }
    size_t remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }

    void align() {
        if (bit_ != 0) {
            bit_ = 0;
            ++pos_;
        }
    }

    uint32_t ub(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            if (pos_ >= data_.size()) {
                overrun_ = true;
                return 0;
            }
            v = (v << 1) | ((data_[pos_] >> (7 - bit_)) & 1u);
            if (++bit_ == 8) {
                bit_ = 0;
                ++pos_;
            }
        }
        return v;
    }

    int32_t sb(int n) {
        if (n <= 0)
            return 0;
        const uint32_t v = ub(n);
        if (n < 32 && (v & (1u << (n - 1))))
            return int32_t(int64_t(v) - (int64_t(1) << n));
        return int32_t(v);
    }

    double fb(int n) { return sb(n) / 65536.0; }

    uint8_t u8() {
        align();
        if (pos_ >= data_.size()) {
            overrun_ = true;
            return 0;
        }
        return data_[pos_++];
    }
    uint16_t u16() {
        const uint16_t lo = u8();
        return uint16_t(lo | (uint16_t(u8()) << 8));
    }
    uint32_t u32() {
        const uint32_t lo = u16();
        return lo | (uint32_t(u16()) << 16);
    }

    // A zero-terminated string; an unterminated one ends at the data's end.
    std::string str() {
        align();
        std::string s;
        while (pos_ < data_.size() && data_[pos_] != 0)
            s.push_back(char(data_[pos_++]));
        if (pos_ < data_.size())
            ++pos_;
        else
            overrun_ = true;
        return s;
    }

    void skip(size_t n) {
        align();
        if (n > remaining()) {
            overrun_ = true;
            pos_ = data_.size();
        } else {
            pos_ += n;
        }
    }

private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
    int bit_ = 0;
    bool overrun_ = false;
};

} // namespace swf::detail
