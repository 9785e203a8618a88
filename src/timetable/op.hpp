// The rule by which an event's value combines into its track's present value: add, keep the
// larger, keep the smaller, no op, or the name of a condition (any other text, kept verbatim).
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/value_vector.hpp"
#include "timetable/timetable_error.hpp"

namespace velkor {

struct Events;

class Op {
public:
    struct Add {
        friend bool operator==(Add, Add) = default;
    };
    struct Max {
        friend bool operator==(Max, Max) = default;
    };
    struct Min {
        friend bool operator==(Min, Min) = default;
    };
    struct Empty {
        friend bool operator==(Empty, Empty) = default;
    };
    struct Named {
        std::string text;
        friend bool operator==(const Named&, const Named&) = default;
    };

    std::variant<Add, Max, Min, Empty, Named> value;

    Op(Add c) : value(c) {}
    Op(Max c) : value(c) {}
    Op(Min c) : value(c) {}
    Op(Empty c) : value(c) {}
    Op(Named c) : value(std::move(c)) {}

    // A missing text is no op; otherwise exactly "+", ">" or "<" are arithmetic and every
    // other text (empty, padded, any word) names a condition. Case-sensitive, no trimming.
    [[nodiscard]] static Op from_text(std::optional<std::string_view> text);

    template <class Case>
    [[nodiscard]] bool is() const {
        return std::holds_alternative<Case>(value);
    }

    // ">" and "<": the ops that offer the event's value as a choice.
    [[nodiscard]] bool is_choice() const { return is<Max>() || is<Min>(); }

    // "+", ">", "<", the empty text for no op, or the condition's name.
    [[nodiscard]] std::string_view text() const;

    // target[i] becomes target[i] + v[i], or the larger or smaller of the two ignoring a NaN
    // operand, with a one-entry operand broadcast. No op and condition names fail with
    // UnknownOp; lengths that cannot be combined fail too. On failure target is unchanged.
    [[nodiscard]] std::expected<void, TimeTableError> apply(ValueVector& target,
                                                            const ValueVector& v) const;

    friend bool operator==(const Op&, const Op&) = default;
};

// One op per value of the op dictionary, in dictionary order (a null value is no op). Fails
// only when the dictionary holds anything but Utf8 strings.
[[nodiscard]] std::expected<std::vector<Op>, TimeTableError> ops_map(const Events& events);

}  // namespace velkor
