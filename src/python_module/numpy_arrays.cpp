#include "python_module/numpy_arrays.hpp"

#include "python_module/numpy_api.hpp"

namespace velkor::py {
namespace {

constexpr const char* kBufferCapsule = "velkor.vector_buffer";

void free_buffer(PyObject* capsule) {
    FlatVector<double>::release_free(PyCapsule_GetPointer(capsule, kBufferCapsule));
}

template <class T>
PyRef take(FlatVector<T>&& values, int type) {
    if (!ensure_numpy()) return {};
    npy_intp length = static_cast<npy_intp>(values.size());
    T* buffer = values.release();
    // The capsule owns the buffer from here on, also if the array cannot be made.
    PyRef owner = PyRef::steal(PyCapsule_New(buffer, kBufferCapsule, free_buffer));
    if (!owner) {
        FlatVector<T>::release_free(buffer);
        return {};
    }
    PyRef array = PyRef::steal(PyArray_SimpleNewFromData(1, &length, type, buffer));
    if (!array) return {};
    if (PyArray_SetBaseObject(reinterpret_cast<PyArrayObject*>(array.get()), owner.release()) < 0)
        return {};
    return array;
}

}  // namespace

PyRef take_into_array(ValueVector&& values) { return take(std::move(values), NPY_FLOAT64); }

PyRef take_into_array(ChoiceVector&& values) { return take(std::move(values), NPY_UINT64); }

}  // namespace velkor::py
