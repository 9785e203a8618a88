// The module _velkor: six functions and nothing else. It lives in the main interpreter
// only; a second initialisation hands back the same module object.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "extension/entry_functions.hpp"

namespace {

using velkor::extension::backtest_csv;
using velkor::extension::backtest_py;
using velkor::extension::fd_blackscholes_price;
using velkor::extension::fd_hullwhite_price;
using velkor::extension::fixed_price;
using velkor::extension::mc_price;

#define VELKOR_FASTCALL(fn) reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(fn))

PyMethodDef kFunctions[] = {
    {"mc_price", VELKOR_FASTCALL(mc_price), METH_FASTCALL | METH_KEYWORDS,
     "mc_price(events_rb, py_state, dataset, expressions)\n--\n\n"
     "Prices the contract given by the event batch and expressions on paths produced by the "
     "Python model py_state. The Monte Carlo engine averages the settled present values over "
     "the paths."},
    {"fixed_price", VELKOR_FASTCALL(fixed_price), METH_FASTCALL | METH_KEYWORDS,
     "fixed_price(events_rb, py_state, dataset, expressions)\n--\n\n"
     "Prices the contract given by the event batch and expressions in one deterministic "
     "scenario. The deterministic engine values assets at their forwards and discounts with "
     "the base currency's curve."},
    {"fd_hullwhite_price", VELKOR_FASTCALL(fd_hullwhite_price), METH_FASTCALL | METH_KEYWORDS,
     "fd_hullwhite_price(events_rb, py_state, dataset, expressions)\n--\n\n"
     "Prices the contract given by the event batch and expressions under a Hull-White short "
     "rate. The finite-difference engine steps a Crank-Nicolson grid back from the last "
     "event."},
    {"fd_blackscholes_price", VELKOR_FASTCALL(fd_blackscholes_price),
     METH_FASTCALL | METH_KEYWORDS,
     "fd_blackscholes_price(events_rb, py_state, dataset, expressions)\n--\n\n"
     "Prices the contract given by the event batch and expressions under Black-Scholes "
     "dynamics of one asset. The finite-difference engine steps a Crank-Nicolson grid in "
     "log-spot back from the last event."},
    {"backtest_csv", VELKOR_FASTCALL(backtest_csv), METH_FASTCALL | METH_KEYWORDS,
     "backtest_csv(events_rb, py_state, _filename, base, expressions)\n--\n\n"
     "Replays the contract over a constant history in which every asset but base is worth "
     "100. The historical engine reports every event's cashflow through py_state.set_stat."},
    {"backtest_py", VELKOR_FASTCALL(backtest_py), METH_FASTCALL | METH_KEYWORDS,
     "backtest_py(events_rb, py_state, expressions, base)\n--\n\n"
     "Replays the contract over the history that py_state.get_value(name, ms) answers. The "
     "historical engine reports every event's cashflow through py_state.set_stat."},
    {nullptr, nullptr, 0, nullptr},
};

#undef VELKOR_FASTCALL

// m_size 0 (not -1) makes the interpreter call PyInit__velkor again for a re-import instead
// of copying the module's dict, which is what lets another interpreter be refused.
PyModuleDef kModule = {
    PyModuleDef_HEAD_INIT, "_velkor", "basic", 0, kFunctions, nullptr, nullptr, nullptr, nullptr,
};

PyObject* g_module = nullptr;

// The functions come from the definition's table; __all__ lists them in the same order.
PyObject* create_module() {
    PyObject* module = PyModule_Create(&kModule);
    if (module == nullptr) return nullptr;
    PyObject* all = PyList_New(0);
    bool ok = all != nullptr;
    for (PyMethodDef* def = kFunctions; ok && def->ml_name != nullptr; ++def) {
        PyObject* name = PyUnicode_FromString(def->ml_name);
        ok = name != nullptr && PyList_Append(all, name) == 0;
        Py_XDECREF(name);
    }
    ok = ok && PyModule_AddObjectRef(module, "__all__", all) == 0;
    Py_XDECREF(all);
    if (!ok) {
        Py_DECREF(module);
        return nullptr;
    }
    return module;
}

}  // namespace

PyMODINIT_FUNC PyInit__velkor(void) {
    if (PyInterpreterState_Get() != PyInterpreterState_Main()) {
        PyErr_SetString(PyExc_ImportError,
                        "_velkor does not support sub-interpreters; import it from the main "
                        "interpreter");
        return nullptr;
    }
    if (g_module == nullptr) g_module = create_module();
    return Py_XNewRef(g_module);
}
