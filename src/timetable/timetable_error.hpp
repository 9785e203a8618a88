// Failures of building a timetable or applying an op.
#pragma once

#include <string>
#include <variant>

namespace velkor {

struct TimeTableError {
    struct UnknownOp {
        std::string op;
    };
    struct Message {
        std::string text;
    };

    std::variant<UnknownOp, Message> value;

    TimeTableError(UnknownOp c) : value(std::move(c)) {}
    TimeTableError(Message c) : value(std::move(c)) {}

    [[nodiscard]] std::string message() const;
};

}  // namespace velkor
