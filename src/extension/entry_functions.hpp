// The six functions of the module, in the fast-call convention with keywords.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace velkor::extension {

PyObject* mc_price(PyObject* module, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);
PyObject* fixed_price(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                      PyObject* kwnames);
PyObject* fd_hullwhite_price(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                             PyObject* kwnames);
PyObject* fd_blackscholes_price(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                                PyObject* kwnames);
PyObject* backtest_csv(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                       PyObject* kwnames);
PyObject* backtest_py(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                      PyObject* kwnames);

}  // namespace velkor::extension
