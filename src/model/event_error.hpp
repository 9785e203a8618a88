// Errors tied to one event of a timetable: the event's one-line description with the cause,
// read as "Error at event:\n  {description}, caused by \n{cause}".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/model_error.hpp"

namespace velkor {

class TimeTable;

[[nodiscard]] ModelError event_error(const TimeTable& timetable, std::size_t event,
                                     std::string_view cause);

// An event whose time lies before the time the engine has already reached.
[[nodiscard]] ModelError event_in_past(const TimeTable& timetable, std::size_t event,
                                       std::int64_t current);

}  // namespace velkor
