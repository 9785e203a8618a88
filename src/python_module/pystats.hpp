// The statistics a pricing function reports to the caller's object through
// py_state.set_stat, as its flags ask: "PV_VEC", "CHOICES", "CASHFLOW", in that order.
#pragma once

#include <cstdint>
#include <expected>

#include "ledger/ledger.hpp"
#include "model/model_error.hpp"
#include "python_module/py_ref.hpp"

namespace velkor::py {

// Reports the ledger's statistics; the reported records are taken out of the ledger. Every
// failure on the Python side is ignored; only a missing track 0 for "PV_VEC" is an error.
[[nodiscard]] std::expected<void, ModelError> py_save_stats(std::uint32_t flags, Ledger& ledger,
                                                            PyObject* py_state);

}  // namespace velkor::py
