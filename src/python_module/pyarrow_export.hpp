// Export of a batch the engine built to pyarrow through the C Data Interface capsules
// ("arrow_schema", "arrow_array"): the result is a pyarrow.RecordBatch that takes the exported
// structs over and releases them once, when its last buffer goes away.
#pragma once

#include <expected>

#include "arrow/batch_builder.hpp"
#include "python_module/py_ref.hpp"
#include "python_module/python_exception.hpp"

namespace velkor::py {

// The exception of a failed import passes unchanged; the batch is released either way.
[[nodiscard]] std::expected<PyRef, PythonException> to_pyarrow_batch(
    arrow::ExportedBatch batch);

}  // namespace velkor::py
