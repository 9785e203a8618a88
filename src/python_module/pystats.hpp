// The statistics a pricing function reports to the caller's object through
// py_state.set_stat, as its flags ask: "PV_VEC", "CHOICES", "CASHFLOW", in that order; and
// the cashflow report of a backtest, one Arrow record batch per track.
#pragma once

#include <cstdint>
#include <expected>

#include "ledger/ledger.hpp"
#include "model/model_error.hpp"
#include "python_module/py_ref.hpp"
#include "python_module/python_exception.hpp"

namespace velkor::py {

// Reports the ledger's statistics; the reported records are taken out of the ledger. Every
// failure on the Python side is ignored; only a missing track 0 for "PV_VEC" is an error.
[[nodiscard]] std::expected<void, ModelError> py_save_stats(std::uint32_t flags, Ledger& ledger,
                                                            PyObject* py_state);

// Sends py_state.set_stat("CASHFLOW", {track key: pyarrow.RecordBatch}) exactly once, also
// when there is nothing to report. Each batch has the non-nullable columns "index" (UInt64,
// the event's row) and "value" (Float64, entry 0 of its record), sorted by "index"; the
// records are taken out of the ledger. Only building or converting a batch can fail: the
// former as the model error for Arrow, the latter with pyarrow's own exception. Whatever
// set_stat or a dict assignment does is ignored.
[[nodiscard]] std::expected<void, PythonException> save_backtest_cashflow(Ledger& ledger,
                                                                          PyObject* py_state);

}  // namespace velkor::py
