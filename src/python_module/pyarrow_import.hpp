// PLACEHOLDER: replaced by the record-batch import.
#pragma once
#include <expected>
#include "arrow/record_batch.hpp"
#include "python_module/python_exception.hpp"
namespace velkor::py {
[[nodiscard]] std::expected<arrow::RecordBatch, PythonException> import_record_batch(PyObject* object);
}  // namespace velkor::py
