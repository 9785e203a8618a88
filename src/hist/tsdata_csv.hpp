// The constant series: the base currency is worth 1.0 and every other asset 100.0, at every
// time. It reads nothing and never fails.
#pragma once

#include <string>
#include <utility>

#include "hist/tsdata.hpp"

namespace velkor {

class TsDataCSV final : public TsData {
public:
    explicit TsDataCSV(std::string base) : base_(std::move(base)) {}

    [[nodiscard]] std::expected<double, ModelError> asset_value(std::string_view name,
                                                                std::int64_t ts) const override;

    static constexpr double fixed_value = 100.0;

private:
    std::string base_;
};

}  // namespace velkor
