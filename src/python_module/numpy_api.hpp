// Access to the NumPy C API from every file of the Python layer. The API table is loaded on
// first use by ensure_numpy(), not at import, so the module itself initialises nothing else.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#define PY_ARRAY_UNIQUE_SYMBOL velkor_numpy_api
#ifndef VELKOR_NUMPY_API_OWNER
#define NO_IMPORT_ARRAY
#endif
#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#include <numpy/arrayobject.h>

namespace velkor::py {

// Loads the NumPy C API once; false with a Python exception pending when NumPy is missing.
[[nodiscard]] bool ensure_numpy();

}  // namespace velkor::py
