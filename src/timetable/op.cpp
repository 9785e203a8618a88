#include "timetable/op.hpp"

#include <string>

#include "core/vector_ops.hpp"
#include "timetable/event.hpp"

namespace velkor {

Op Op::from_text(std::optional<std::string_view> text) {
    if (!text) return Empty{};
    if (*text == "+") return Add{};
    if (*text == ">") return Max{};
    if (*text == "<") return Min{};
    return Named{std::string(*text)};
}

std::string_view Op::text() const {
    if (is<Add>()) return "+";
    if (is<Max>()) return ">";
    if (is<Min>()) return "<";
    if (const auto* named = std::get_if<Named>(&value)) return named->text;
    return "";
}

std::expected<void, TimeTableError> Op::apply(ValueVector& target, const ValueVector& v) const {
    std::expected<void, LengthMismatch> done;
    if (is<Add>()) {
        done = combine_into(target, v, plus);
    } else if (is<Max>()) {
        done = combine_into(target, v, [](double t, double x) { return max_ignoring_nan(t, x); });
    } else if (is<Min>()) {
        done = combine_into(target, v, [](double t, double x) { return min_ignoring_nan(t, x); });
    } else {
        return std::unexpected(TimeTableError::UnknownOp{std::string(text())});
    }
    if (!done) {
        return std::unexpected(TimeTableError::Message{
            "Op '" + std::string(text()) + "' cannot combine a value of length " +
            std::to_string(done.error().right) + " into one of length " +
            std::to_string(done.error().left)});
    }
    return {};
}

std::expected<std::vector<Op>, TimeTableError> ops_map(const Events& events) {
    auto values = events.op.values().utf8();
    if (!values)
        return std::unexpected(TimeTableError::Message{"Error in ops column, expected strings"});
    std::vector<Op> ops;
    ops.reserve(static_cast<std::size_t>(values->size()));
    for (std::int64_t i = 0; i < values->size(); ++i)
        ops.push_back(Op::from_text(values->is_null(i) ? std::nullopt
                                                        : std::optional(values->value(i))));
    return ops;
}

}  // namespace velkor
