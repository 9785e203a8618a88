"""The module's shape, its functions' signatures and the binding of their arguments."""

import ctypes
import inspect

import pytest

import _velkor
from builders import reaches_valuation, valid_dataset

PRICING = ["mc_price", "fixed_price", "fd_hullwhite_price", "fd_blackscholes_price"]
PARAMETERS = {
    **{name: ["events_rb", "py_state", "dataset", "expressions"] for name in PRICING},
    "backtest_csv": ["events_rb", "py_state", "_filename", "base", "expressions"],
    "backtest_py": ["events_rb", "py_state", "expressions", "base"],
}


def test_module_lists_six_functions_in_order():
    assert _velkor.__name__ == "_velkor"
    assert _velkor.__doc__ == "basic"
    assert _velkor.__all__ == [*PRICING, "backtest_csv", "backtest_py"]
    public = [name for name in vars(_velkor) if not name.startswith("_")]
    assert sorted(public) == sorted(_velkor.__all__)


@pytest.mark.parametrize("name", PARAMETERS)
def test_docstring_carries_the_text_signature(name):
    # The interpreter splits "name(params)\n--\n\n" off the docstring into __text_signature__.
    function = getattr(_velkor, name)
    assert function.__text_signature__ == f"({', '.join(PARAMETERS[name])})"
    parameters = inspect.signature(function).parameters.values()
    assert [p.name for p in parameters] == PARAMETERS[name]
    assert all(p.kind is p.POSITIONAL_OR_KEYWORD and p.default is p.empty for p in parameters)
    assert function.__doc__.count(". ") == 1 and function.__doc__.endswith(".")


def plain_twin(name):
    """A Python function with the same name and parameters, for the interpreter's own
    wording of binding errors."""
    namespace = {}
    params = ", ".join(PARAMETERS[name])
    exec(f"def {name}({params}): pass", namespace)
    return namespace[name]


BINDING_CALLS = {
    "no_arguments": ((), {}),
    "one_missing": ((1, 2, 3), {}),
    "two_missing": ((1, 2), {}),
    "three_missing": ((1,), {}),
    "one_surplus": ((1, 2, 3, 4, 5, 6), {}),
    "one_positional_only": ((1,), {"zzz": 1}),
    "unexpected_keyword": ((), {"events_rb": 1, "nope": 2}),
    "duplicated": ((1, 2), {"py_state": 3}),
    "duplicated_with_surplus": ((1, 2, 3, 4, 5, 6), {"events_rb": 1}),
    "missing_named_last": ((), {"py_state": 1, "events_rb": 2}),
}


@pytest.mark.parametrize("name", PARAMETERS)
@pytest.mark.parametrize("call", BINDING_CALLS.values(), ids=BINDING_CALLS.keys())
def test_binding_errors_read_like_the_interpreters(name, call):
    args, kwargs = call
    if len(args) > len(PARAMETERS[name]) + 1:
        args = args[: len(PARAMETERS[name]) + 1]
    with pytest.raises(TypeError) as expected:
        plain_twin(name)(*args, **kwargs)
    with pytest.raises(TypeError) as actual:
        getattr(_velkor, name)(*args, **kwargs)
    assert str(actual.value) == str(expected.value)


@pytest.mark.parametrize("name", PRICING)
def test_pricing_functions_take_keywords_in_any_order(name, events_rb):
    function = getattr(_velkor, name)
    reaches_valuation(
        lambda: function(expressions={}, dataset=valid_dataset(), py_state=None, events_rb=events_rb)
    )


@pytest.mark.parametrize("name", PRICING)
@pytest.mark.parametrize(
    "parameter, value, type_name",
    [("dataset", [], "list"), ("expressions", "x", "str"), ("dataset", None, "NoneType")],
)
def test_dictionary_arguments_are_checked(name, parameter, value, type_name, events_rb):
    arguments = {"events_rb": events_rb, "py_state": None, "dataset": {}, "expressions": {}}
    arguments[parameter] = value
    with pytest.raises(TypeError) as raised:
        getattr(_velkor, name)(**arguments)
    assert str(raised.value) == (
        f"argument '{parameter}': '{type_name}' object cannot be converted to 'PyDict'"
    )


def test_dict_subclass_is_accepted(events_rb):
    class Settings(dict):
        pass

    assert isinstance(_velkor.fixed_price(events_rb, None, Settings(valid_dataset()), Settings()), float)


@pytest.mark.parametrize(
    "function, arguments, message",
    [
        (
            "backtest_csv",
            {"_filename": 3, "base": "USD", "expressions": {}},
            "argument '_filename': 'int' object cannot be converted to 'PyString'",
        ),
        (
            "backtest_csv",
            {"_filename": "f.csv", "base": b"USD", "expressions": {}},
            "argument 'base': 'bytes' object cannot be converted to 'PyString'",
        ),
        (
            "backtest_csv",
            {"_filename": "f.csv", "base": "USD", "expressions": []},
            "argument 'expressions': 'list' object cannot be converted to 'PyDict'",
        ),
        (
            "backtest_py",
            {"expressions": [], "base": 1},
            "argument 'expressions': 'list' object cannot be converted to 'PyDict'",
        ),
        (
            "backtest_py",
            {"expressions": {}, "base": 1},
            "argument 'base': 'int' object cannot be converted to 'PyString'",
        ),
    ],
)
def test_backtest_arguments_are_checked_in_order(function, arguments, message, events_rb):
    with pytest.raises(TypeError) as raised:
        getattr(_velkor, function)(events_rb=events_rb, py_state=None, **arguments)
    assert str(raised.value) == message


def test_initialising_again_gives_the_same_module():
    init = ctypes.PyDLL(_velkor.__file__).PyInit__velkor
    init.restype = ctypes.py_object
    assert init() is _velkor


def test_sub_interpreters_are_refused():
    subinterpreters = pytest.importorskip("_xxsubinterpreters")
    interpreter = subinterpreters.create()
    try:
        with pytest.raises(subinterpreters.RunFailedError, match="ImportError"):
            subinterpreters.run_string(interpreter, "import _velkor")
    finally:
        subinterpreters.destroy(interpreter)


def test_failing_calls_leave_no_references_behind(events_rb):
    dataset, expressions, state = {}, {}, object()
    before = [sys_refcount(x) for x in (events_rb, dataset, expressions, state)]
    for _ in range(3000):
        for call in (
            lambda: _velkor.fixed_price(events_rb, state, dataset, expressions),
            lambda: _velkor.fixed_price(events_rb, state, [], expressions),
            lambda: _velkor.mc_price(events_rb, state, dataset, expressions, 5),
            lambda: _velkor.backtest_py(events_rb, state, expressions, 3),
        ):
            with pytest.raises(Exception):
                call()
    after = [sys_refcount(x) for x in (events_rb, dataset, expressions, state)]
    assert after == before


def sys_refcount(value):
    import sys

    return sys.getrefcount(value)
