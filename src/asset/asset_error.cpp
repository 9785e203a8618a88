#include "asset/asset_error.hpp"

#include "core/number_format.hpp"

namespace velkor {

AssetError AssetError::rate_error(std::string_view curve, double first_time, double second_time,
                                  AssetError cause) {
    return Rate{std::string(curve), first_time, second_time, Box<AssetError>(std::move(cause))};
}

AssetError AssetError::spot_error(std::string_view curve, double time, AssetError cause) {
    return Spot{std::string(curve), time, Box<AssetError>(std::move(cause))};
}

std::string AssetError::message() const {
    return std::visit(
        [](const auto& c) -> std::string {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, Interpolate>) {
                return "InterpolateError " + c.text;
            } else if constexpr (std::is_same_v<C, Builder>) {
                return "BuilderError " + c.text;
            } else if constexpr (std::is_same_v<C, Rate>) {
                // The later time is named first.
                return "Error in '" + c.curve + "' rate from time " + format_number(c.second_time) +
                       " to " + format_number(c.first_time) + ", caused by \n'" +
                       c.cause->message() + "'";
            } else if constexpr (std::is_same_v<C, Spot>) {
                return "Error in '" + c.curve + "' value at " + format_number(c.time) +
                       ", caused by \n'" + c.cause->message() + "'";
            } else if constexpr (std::is_same_v<C, OutOfRange>) {
                return "Error: Interpolation out of range at time " + format_number(c.time) +
                       ".\n Perhaps the time range in forwards/discount data is too short.";
            } else if constexpr (std::is_same_v<C, DivideByZero>) {
                return "Error: Divide by zero";
            } else if constexpr (std::is_same_v<C, NotImplemented>) {
                return "Feature Not Implemented: `" + c.text + "`";
            } else if constexpr (std::is_same_v<C, NotFound>) {
                return "Asset '" + c.name +
                       "' not found in snaps, expressions, or in dataset[ASSETS]";
            } else {
                return "Unknown error in model";
            }
        },
        value);
}

}  // namespace velkor
