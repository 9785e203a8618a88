// Import of the event record batch from a Python object through the Arrow C Data Interface:
// the __arrow_c_array__ protocol first, else a pyarrow RecordBatch. The batch owns the
// producer's structs and releases them once, when it goes away.
#pragma once

#include <expected>

#include "arrow/record_batch.hpp"
#include "python_module/py_ref.hpp"
#include "python_module/python_exception.hpp"

namespace velkor::py {

// TypeError for an object that is no record batch, ValueError carrying the Arrow layer's
// message for malformed data; exceptions raised by the object itself pass through.
[[nodiscard]] std::expected<arrow::RecordBatch, PythonException> import_record_batch(
    PyObject* object);

}  // namespace velkor::py
