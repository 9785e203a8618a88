// NumPy arrays that take over the storage of the engine's vectors: no copy, and the buffer is
// freed when the array goes away.
#pragma once

#include "core/value_vector.hpp"
#include "python_module/py_ref.hpp"

namespace velkor::py {

// A one-dimensional float64 array owning the vector's former buffer; null with a Python
// exception pending on failure.
[[nodiscard]] PyRef take_into_array(ValueVector&& values);
// The same as a uint64 array.
[[nodiscard]] PyRef take_into_array(ChoiceVector&& values);

}  // namespace velkor::py
