#include "python_module/pyarrow_export.hpp"

#include <memory>

namespace velkor::py {
namespace {

using Result = std::expected<PyRef, PythonException>;

std::unexpected<PythonException> pending() { return std::unexpected(PythonException::fetch()); }

// A capsule frees its struct, releasing it first unless the consumer took it over (which
// marks it released).
template <class CStruct>
void free_struct(PyObject* capsule, const char* name) {
    auto* exported = static_cast<CStruct*>(PyCapsule_GetPointer(capsule, name));
    if (exported == nullptr) {
        PyErr_Clear();
        return;
    }
    if (exported->release != nullptr) exported->release(exported);
    delete exported;
}

void free_schema_capsule(PyObject* capsule) { free_struct<ArrowSchema>(capsule, "arrow_schema"); }
void free_array_capsule(PyObject* capsule) { free_struct<ArrowArray>(capsule, "arrow_array"); }

// Moves the owned struct into a new capsule. On failure the owner keeps it.
template <class CStruct>
Result capsule_of(arrow::Owned<CStruct>& owned, const char* name,
                  PyCapsule_Destructor destructor) {
    auto moved = std::make_unique<CStruct>(*owned.get());
    PyRef capsule = PyRef::steal(PyCapsule_New(moved.get(), name, destructor));
    if (!capsule) return pending();
    static_cast<void>(moved.release());
    owned.get()->release = nullptr;
    return capsule;
}

}  // namespace

std::expected<PyRef, PythonException> to_pyarrow_batch(arrow::ExportedBatch batch) {
    auto schema = capsule_of(batch.schema, "arrow_schema", free_schema_capsule);
    if (!schema) return schema;
    auto array = capsule_of(batch.array, "arrow_array", free_array_capsule);
    if (!array) return array;

    PyRef pyarrow = PyRef::steal(PyImport_ImportModule("pyarrow"));
    if (!pyarrow) return pending();
    PyRef record_batch = PyRef::steal(PyObject_GetAttrString(pyarrow.get(), "RecordBatch"));
    if (!record_batch) return pending();
    PyRef result = PyRef::steal(PyObject_CallMethod(record_batch.get(), "_import_from_c_capsule",
                                                    "OO", schema->get(), array->get()));
    if (!result) return pending();
    return result;
}

}  // namespace velkor::py
