#include "model/event_error.hpp"

#include <string>

#include "timetable/timetable.hpp"

namespace velkor {

ModelError event_error(const TimeTable& timetable, std::size_t event, std::string_view cause) {
    return ModelError::Event{timetable.event_desc(event), std::string(cause)};
}

ModelError event_in_past(const TimeTable& timetable, std::size_t event, std::int64_t current) {
    return event_error(timetable, event,
                       "event time is earlier than the current time " + std::to_string(current));
}

}  // namespace velkor
