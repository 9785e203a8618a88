#include "timetable/timetable_error.hpp"

namespace velkor {

std::string TimeTableError::message() const {
    if (const auto* c = std::get_if<UnknownOp>(&value)) return "Unknown Op '" + c->op + "'";
    return std::get<Message>(value).text;
}

}  // namespace velkor
