// PLACEHOLDER: replaced by the record-batch import.
#include "python_module/pyarrow_import.hpp"
namespace velkor::py {
std::expected<arrow::RecordBatch, PythonException> import_record_batch(PyObject*) {
    return arrow::RecordBatch{};
}
}  // namespace velkor::py
