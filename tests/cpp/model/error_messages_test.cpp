// The texts of the engine's errors: formats, nesting order and the two "caused by" forms.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "asset/asset_error.hpp"
#include "ledger/ledger_error.hpp"
#include "model/model_error.hpp"
#include "timetable/expr/expr_error.hpp"
#include "timetable/timetable_error.hpp"

namespace velkor {
namespace {

const std::string kOutOfRange25 =
    "Error: Interpolation out of range at time 2.5.\n Perhaps the time range in "
    "forwards/discount data is too short.";

struct MessageCase {
    const char* name;
    ModelError error;
    std::string text;
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }

class ErrorMessage : public testing::TestWithParam<MessageCase> {};

TEST_P(ErrorMessage, ReadsExactly) { EXPECT_EQ(GetParam().error.message(), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    TimeTable, ErrorMessage,
    testing::Values(
        MessageCase{"unknown_op_empty", TimeTableError::UnknownOp{""}, "Unknown Op ''"},
        MessageCase{"unknown_op_named", TimeTableError::UnknownOp{" +"}, "Unknown Op ' +'"},
        MessageCase{"message", TimeTableError::Message{"Missing Track Value"},
                    "Missing Track Value"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Ledger, ErrorMessage,
    testing::Values(
        MessageCase{"op_error", LedgerError::OpError{TimeTableError::UnknownOp{""}},
                    "Error in Op, caused by \nUnknown Op ''"},
        MessageCase{"track_not_found", LedgerError::TrackNotFound{0}, "Track 0 not found"},
        MessageCase{"length_mismatch", LedgerError::LengthMismatch{2, 4, 3},
                    "Track 2 holds vectors of length 4 but was given a vector of length 3"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Asset, ErrorMessage,
    testing::Values(
        MessageCase{"interpolate", AssetError::Interpolate{"boom"}, "InterpolateError boom"},
        MessageCase{"builder",
                    AssetError::Builder{"Values in the x axis need to be strictly monotonic rising"},
                    "BuilderError Values in the x axis need to be strictly monotonic rising"},
        // The later time is named first, the cause is quoted.
        MessageCase{"rate", AssetError::rate_error("discount", 1.0, 0.5, AssetError::OutOfRange{2.5}),
                    "Error in 'discount' rate from time 0.5 to 1, caused by \n'" + kOutOfRange25 + "'"},
        MessageCase{"spot",
                    AssetError::spot_error("discount factor", 2.0, AssetError::DivideByZero{}),
                    "Error in 'discount factor' value at 2, caused by \n'Error: Divide by zero'"},
        MessageCase{"nested_rate_in_spot",
                    AssetError::spot_error("x", 0.25,
                                           AssetError::rate_error("y", 3.0, 1e-7,
                                                                  AssetError::Unknown{})),
                    "Error in 'x' value at 0.25, caused by \n'Error in 'y' rate from time "
                    "0.0000001 to 3, caused by \n'Unknown error in model''"},
        MessageCase{"out_of_range", AssetError::OutOfRange{2.5}, kOutOfRange25},
        MessageCase{"out_of_range_nan",
                    AssetError::OutOfRange{std::numeric_limits<double>::quiet_NaN()},
                    "Error: Interpolation out of range at time NaN.\n Perhaps the time range in "
                    "forwards/discount data is too short."},
        MessageCase{"divide_by_zero", AssetError::DivideByZero{}, "Error: Divide by zero"},
        MessageCase{"not_implemented",
                    AssetError::NotImplemented{"Discount is only supported for base asset"},
                    "Feature Not Implemented: `Discount is only supported for base asset`"},
        MessageCase{"not_found", AssetError::NotFound{"EUR"},
                    "Asset 'EUR' not found in snaps, expressions, or in dataset[ASSETS]"},
        MessageCase{"unknown", AssetError::Unknown{}, "Unknown error in model"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Model, ErrorMessage,
    testing::Values(
        MessageCase{"expr", ExprError{"ValueError: bad"},
                    "Error in Phrase Evaluation, caused by \nValueError: bad"},
        MessageCase{"event",
                    ModelError::Event{"#4: track: \"Track(0)\"",
                                      ModelError(ExprError{"ValueError: bad"}).message()},
                    "Error at event:\n  #4: track: \"Track(0)\", caused by \nError in Phrase "
                    "Evaluation, caused by \nValueError: bad"},
        MessageCase{"not_implemented", ModelError::NotImplemented{"Snap in FD: s"},
                    "Feature Not Implemented: `Snap in FD: s`"},
        MessageCase{"event_spec", ModelError::EventSpec{"Missing Unit Name"},
                    "Error in Event Specs: Missing Unit Name"},
        MessageCase{"message", ModelError::Message{"Empty PV Vector"}, "Empty PV Vector"},
        MessageCase{"arrow", ModelError::Arrow{"cashflows", "bad length"},
                    "Error Creating Arrow for 'cashflows', caused by \nbad length"},
        MessageCase{"asset_unwrapped", AssetError::NotFound{"X"},
                    "Asset 'X' not found in snaps, expressions, or in dataset[ASSETS]"},
        MessageCase{"ledger_unwrapped", LedgerError::TrackNotFound{7}, "Track 7 not found"},
        MessageCase{"timetable_unwrapped", TimeTableError::Message{"No track specified at event#7"},
                    "No track specified at event#7"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velkor
