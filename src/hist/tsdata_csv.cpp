#include "hist/tsdata_csv.hpp"

namespace velkor {

std::expected<double, ModelError> TsDataCSV::asset_value(std::string_view name,
                                                         std::int64_t) const {
    return name == base_ ? 1.0 : fixed_value;
}

}  // namespace velkor
