// Reader of an Arrow validity bitmap (bit set = valid, least significant bit first) from a
// given bit position on. An absent bitmap means every slot is valid.
#pragma once

#include <cstdint>

namespace velkor::arrow {

class ValidityBitmap {
public:
    ValidityBitmap() noexcept = default;
    // Slot i is bit (first_bit + i) of bits; bits may be null.
    ValidityBitmap(const std::uint8_t* bits, std::int64_t first_bit) noexcept
        : bits_(bits), first_bit_(first_bit) {}

    [[nodiscard]] bool is_null(std::int64_t i) const noexcept {
        if (bits_ == nullptr) return false;
        const std::int64_t bit = first_bit_ + i;
        return ((bits_[bit >> 3] >> (bit & 7)) & 1U) == 0;
    }

    [[nodiscard]] bool has_bitmap() const noexcept { return bits_ != nullptr; }

private:
    const std::uint8_t* bits_ = nullptr;
    std::int64_t first_bit_ = 0;
};

}  // namespace velkor::arrow
