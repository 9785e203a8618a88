// Historical values from the caller's Python object: get_value(name, ts) for every asset but
// the base currency, which is worth 1.0 without asking.
#pragma once

#include <string>
#include <utility>

#include "hist/tsdata.hpp"
#include "python_module/py_ref.hpp"

namespace velkor::py {

class TsDataPy final : public TsData {
public:
    // source is borrowed: it is the call's py_state, which outlives the replay.
    TsDataPy(std::string base, PyObject* source) : base_(std::move(base)), source_(source) {}

    // source.get_value(name: str, ts: int milliseconds) as a double, through the number's
    // __float__ (or __index__ for integers); a missing method, a raising call or a result that
    // is no number is the Method error for "get_value".
    [[nodiscard]] std::expected<double, ModelError> asset_value(std::string_view name,
                                                                std::int64_t ts) const override;

private:
    std::string base_;
    PyObject* source_;
};

}  // namespace velkor::py
