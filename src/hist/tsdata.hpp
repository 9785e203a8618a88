// A source of historical values for the backtests: the value of one unit of an asset at a time
// stamp. The base currency is always worth 1.0; what the others are worth is the source's.
#pragma once

#include <cstdint>
#include <expected>
#include <string_view>

#include "model/model_error.hpp"

namespace velkor {

class TsData {
public:
    TsData() = default;
    TsData(const TsData&) = delete;
    TsData& operator=(const TsData&) = delete;
    virtual ~TsData() = default;

    // ts in milliseconds since 1970-01-01T00:00:00 UTC.
    [[nodiscard]] virtual std::expected<double, ModelError> asset_value(std::string_view name,
                                                                        std::int64_t ts) const = 0;
};

}  // namespace velkor
