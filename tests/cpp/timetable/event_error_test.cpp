// The model errors tied to one event of a timetable.
#include "model/event_error.hpp"

#include <gtest/gtest.h>

#include "event_batch.hpp"
#include "timetable/timetable.hpp"

namespace velkor {
namespace {

using namespace testing_support;

class EventErrors : public testing::Test {
protected:
    BuiltBatch built = build(event_fields(EventColumns{.times = {0, 1'711'713'600'250},
                                                       .track_keys = {0, 0},
                                                       .tracks = {"A"},
                                                       .op_keys = {0, 0},
                                                       .ops = {"+"},
                                                       .quantities = {1.0, 100.0},
                                                       .unit_keys = {0, 0},
                                                       .units = {"USD"}}));
    TimeTable timetable = [this] {
        auto events = Events::create(built.batch);
        return std::move(*TimeTable::create(*events, {}));
    }();
    static constexpr const char* kDescription =
        R"q(#1: track: "Track(0)", time: Single(2024-03-29T12:00:00.250Z), op: +, qty: 100, )q"
        R"q(unit: "Asset(USD)")q";
};

TEST_F(EventErrors, EventErrorCarriesTheDescriptionAndCause) {
    EXPECT_EQ(event_error(timetable, 1, "No event time").message(),
              std::string("Error at event:\n  ") + kDescription + ", caused by \nNo event time");
}

TEST_F(EventErrors, EventInPastWritesEveryDigitOfTheCurrentTime) {
    EXPECT_EQ(event_in_past(timetable, 1, 1'700'000'000'000).message(),
              std::string("Error at event:\n  ") + kDescription +
                  ", caused by \nevent time is earlier than the current time 1700000000000");
    EXPECT_TRUE(event_in_past(timetable, 1, -5).message().ends_with("current time -5"));
}

}  // namespace
}  // namespace velkor
