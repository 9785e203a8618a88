#include "extension/backtest_flow.hpp"

#include <expected>
#include <memory>
#include <string>
#include <utility>

#include "hist/historic.hpp"
#include "hist/tsdata_csv.hpp"
#include "python_module/pyerror.hpp"
#include "python_module/pystats.hpp"
#include "python_module/pytsdata.hpp"

namespace velkor::extension {
namespace {

// The base currency's name as the assets are named: UTF-8 text.
std::expected<std::string, py::PythonException> base_name(PyObject* base) {
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(base, &size);
    if (text == nullptr) return std::unexpected(py::PythonException::fetch());
    return std::string(text, static_cast<std::size_t>(size));
}

PyObject* run_backtest(const TimeTable& timetable, PyObject* py_state,
                       std::unique_ptr<TsData> series) {
    const Historic model(std::move(series));
    auto ledger = model.calculate(timetable);
    if (!ledger) {
        py::raise_error(ledger.error());
        return nullptr;
    }
    if (auto reported = py::save_backtest_cashflow(*ledger, py_state); !reported) {
        reported.error().raise();
        return nullptr;
    }
    Py_RETURN_NONE;
}

}  // namespace

PyObject* run_backtest_csv(const TimeTable& timetable, PyObject* py_state, PyObject* base) {
    auto name = base_name(base);
    if (!name) {
        name.error().raise();
        return nullptr;
    }
    return run_backtest(timetable, py_state, std::make_unique<TsDataCSV>(std::move(*name)));
}

PyObject* run_backtest_py(const TimeTable& timetable, PyObject* py_state, PyObject* base) {
    auto name = base_name(base);
    if (!name) {
        name.error().raise();
        return nullptr;
    }
    return run_backtest(timetable, py_state,
                        std::make_unique<py::TsDataPy>(std::move(*name), py_state));
}

}  // namespace velkor::extension
