"""Reading the dataset: its keys, their types, the messages of bad values and which of several
problems is reported, through the four pricing functions."""

import copy

import numpy as np
import pytest

import _velkor
from builders import reaches_valuation, valid_dataset

PRICING = ["mc_price", "fixed_price", "fd_hullwhite_price", "fd_blackscholes_price"]
FD = ["fd_hullwhite_price", "fd_blackscholes_price"]
PREFIX = "Error while parsing Dataset, caused by\n"
MISSING = object()


def changed(changes):
    """The valid dataset with values replaced (or removed, for MISSING) at "A/B" paths."""
    dataset = valid_dataset()
    for path, value in changes.items():
        *outer, key = path.split("/")
        target = dataset
        for name in outer:
            target = target[name]
        if value is MISSING:
            del target[key]
        else:
            target[key] = value
    return dataset


def call(name, dataset, events_rb):
    return getattr(_velkor, name)(events_rb, None, dataset, {})


def dataset_error(name, dataset, events_rb):
    """The message under the dataset prefix of the RuntimeError raised."""
    with pytest.raises(RuntimeError) as raised:
        call(name, dataset, events_rb)
    text = str(raised.value)
    assert text.startswith(PREFIX)
    assert raised.value.__cause__ is None
    return text[len(PREFIX) :]


def reaches_engine(name, dataset, events_rb):
    reaches_valuation(lambda: call(name, dataset, events_rb))


def wrong_type(key, cause):
    return f"Error in value of {key}, likely incorrect type. caused by \n{cause}"


def missing(key):
    return f"Py Dictionary is missing key '{key}'"


def bad_array(type_name):
    return f"TypeError: '{type_name}' object cannot be converted to 'PyArray2<f64>'"


NOT_INTEGER = "TypeError: 'float' object cannot be interpreted as an integer"
NEGATIVE = "OverflowError: can't convert negative int to unsigned"
TOO_BIG = "OverflowError: int too big to convert"
ROWS = np.array([[1.0, 0.1], [2.0, 0.2]])
ROWS.flags.writeable = False  # shared by many cases: a write would fail loudly


@pytest.mark.parametrize("name", PRICING)
def test_valid_dataset_is_read_and_left_unchanged(name, events_rb):
    dataset = valid_dataset()
    for _, array in dataset["ASSETS"].values():
        array.flags.writeable = False
    before = copy.deepcopy(dataset)
    reaches_engine(name, dataset, events_rb)
    assert dataset.keys() == before.keys()
    for key, value in before.items():
        if key != "ASSETS":
            assert dataset[key] == value
    for asset, (kind, array) in before["ASSETS"].items():
        assert dataset["ASSETS"][asset][0] == kind
        np.testing.assert_array_equal(dataset["ASSETS"][asset][1], array)


# Every function reads "BASE", "ASSETS" and "PRICING_TS": (changes, message).
COMMON_ERRORS = {
    "base_missing": ({"BASE": MISSING}, missing("BASE")),
    "base_none": (
        {"BASE": None},
        wrong_type("BASE", "TypeError: 'NoneType' object cannot be converted to 'PyString'"),
    ),
    "base_bytes": (
        {"BASE": b"USD"},
        wrong_type("BASE", "TypeError: 'bytes' object cannot be converted to 'PyString'"),
    ),
    "assets_missing": ({"ASSETS": MISSING}, missing("ASSETS")),
    "assets_list": (
        {"ASSETS": [("FORWARDS", ROWS)]},
        wrong_type("ASSETS", "TypeError: 'list' object cannot be converted to 'PyDict'"),
    ),
    "entry_list_not_tuple": (
        {"ASSETS/EQ": ["FORWARDS", ROWS]},
        "TypeError: 'list' object cannot be converted to 'PyTuple'",
    ),
    "pricing_ts_missing": ({"PRICING_TS": MISSING}, missing("PRICING_TS")),
    "pricing_ts_float": ({"PRICING_TS": 1.0}, wrong_type("PRICING_TS", NOT_INTEGER)),
    "pricing_ts_numpy_float": (
        {"PRICING_TS": np.float64(1.0)},
        wrong_type(
            "PRICING_TS", "TypeError: 'numpy.float64' object cannot be interpreted as an integer"
        ),
    ),
    "pricing_ts_too_big": ({"PRICING_TS": 2**63}, wrong_type("PRICING_TS", TOO_BIG)),
    "pricing_ts_str": (
        {"PRICING_TS": "1"},
        wrong_type("PRICING_TS", "TypeError: 'str' object cannot be interpreted as an integer"),
    ),
}


@pytest.mark.parametrize("name", PRICING)
@pytest.mark.parametrize("changes, message", COMMON_ERRORS.values(), ids=COMMON_ERRORS.keys())
def test_common_keys_report_their_exact_error(name, changes, message, events_rb):
    assert dataset_error(name, changed(changes), events_rb) == message


def entry(kind, data):
    return {"ASSETS/EQ": (kind, data)}


STRICTLY_RISING = (
    "Error while parsing Asset, caused by \n"
    "BuilderError Values in the x axis need to be strictly monotonic rising"
)

# One ASSETS entry at fault, read the same way by every function: (changes, message).
ENTRY_ERRORS = {
    "name_not_text": (
        {"ASSETS": {1: ("FORWARDS", ROWS)}},
        "TypeError: 'int' object cannot be converted to 'PyString'",
    ),
    "without_data": ({"ASSETS/EQ": ("FORWARDS",)}, "IndexError: tuple index out of range"),
    "empty_tuple": ({"ASSETS/EQ": ()}, "IndexError: tuple index out of range"),
    "type_not_text": (
        entry(None, ROWS),
        "TypeError: 'NoneType' object cannot be converted to 'PyString'",
    ),
    "type_lower_case": (entry("forwards", ROWS), "Unknown asset type forwards"),
    "type_zero_rates_lower_case": (
        {"ASSETS/USD": ("zero_rates", ROWS)},
        "Unknown asset type zero_rates",
    ),
    "int64": (entry("FORWARDS", np.array([[1, 100], [2, 105]])), bad_array("ndarray")),
    "float32": (entry("FORWARDS", ROWS.astype(np.float32)), bad_array("ndarray")),
    "one_dimension": (entry("FORWARDS", np.array([1.0, 100.0])), bad_array("ndarray")),
    "three_dimensions": (entry("FORWARDS", ROWS.reshape(1, 2, 2)), bad_array("ndarray")),
    "big_endian": (entry("FORWARDS", ROWS.astype(">f8")), bad_array("ndarray")),
    "nested_list": (entry("FORWARDS", [[1.0, 100.0]]), bad_array("list")),
    "one_column": (
        entry("FORWARDS", np.array([[1.0], [2.0]])),
        "ValueError: expected an array with at least 2 columns (times and values), got 1",
    ),
    "no_rows": (
        entry("FORWARDS", np.empty((0, 2))),
        "ValueError: expected an array with at least 1 row, got 0",
    ),
    "equal_times": (entry("FORWARDS", np.array([[1.0, 100.0], [1.0, 105.0]])), STRICTLY_RISING),
    "falling_times_of_base": (
        {"ASSETS/USD": ("ZERO_RATES", np.array([[2.0, 0.02], [1.0, 0.03]]))},
        STRICTLY_RISING,
    ),
}


@pytest.mark.parametrize("changes, message", ENTRY_ERRORS.values(), ids=ENTRY_ERRORS.keys())
def test_asset_entries_report_their_exact_error(changes, message, events_rb):
    assert dataset_error("fixed_price", changed(changes), events_rb) == message


# (functions, changes, message) for the engines' own sections.
SECTION_ERRORS = {
    "mc_missing": (["mc_price"], {"MC": MISSING}, missing("MC")),
    "mc_none": (
        ["mc_price"],
        {"MC": None},
        wrong_type("MC", "TypeError: 'NoneType' object cannot be converted to 'PyDict'"),
    ),
    "paths_missing": (["mc_price"], {"MC/PATHS": MISSING}, missing("PATHS")),
    "paths_float": (["mc_price"], {"MC/PATHS": 10.0}, wrong_type("PATHS", NOT_INTEGER)),
    "paths_negative": (["mc_price"], {"MC/PATHS": -1}, wrong_type("PATHS", NEGATIVE)),
    "paths_none": (
        ["mc_price"],
        {"MC/PATHS": None},
        wrong_type("PATHS", "TypeError: 'NoneType' object cannot be interpreted as an integer"),
    ),
    "seed_missing": (["mc_price"], {"MC/SEED": MISSING}, missing("SEED")),
    "seed_too_big": (["mc_price"], {"MC/SEED": 2**64}, wrong_type("SEED", TOO_BIG)),
    "pricing_ts_only_in_mc": (
        ["mc_price"],
        {"PRICING_TS": MISSING, "MC/PRICING_TS": 1_690_000_000_000},
        missing("PRICING_TS"),
    ),
    "fd_missing": (FD, {"FD": MISSING}, missing("FD")),
    "fd_list": (
        FD,
        {"FD": [("N_X", 50)]},
        wrong_type("FD", "TypeError: 'list' object cannot be converted to 'PyDict'"),
    ),
    "n_x_float": (FD, {"FD/N_X": 50.0}, wrong_type("N_X", NOT_INTEGER)),
    "n_x_negative": (FD, {"FD/N_X": -50}, wrong_type("N_X", NEGATIVE)),
    # 2 * N_X + 1 grid points would not fit in 64 bits.
    "n_x_no_grid": (FD, {"FD/N_X": 2**63}, "Invalid value '9223372036854775808' for key 'N_X'"),
    "max_x_missing": (FD, {"FD/MAX_X": MISSING}, missing("MAX_X")),
    "max_x_str": (
        FD,
        {"FD/MAX_X": "3"},
        wrong_type("MAX_X", "TypeError: must be real number, not str"),
    ),
    "max_x_huge_int": (
        FD,
        {"FD/MAX_X": 10**400},
        wrong_type("MAX_X", "OverflowError: int too large to convert to float"),
    ),
    "timestep_none": (
        FD,
        {"FD/TIMESTEP": None},
        wrong_type("TIMESTEP", "TypeError: must be real number, not NoneType"),
    ),
    "hw_missing": (["fd_hullwhite_price"], {"HW": MISSING}, missing("HW")),
    "meanrev_missing": (["fd_hullwhite_price"], {"HW/MEANREV": MISSING}, missing("MEANREV")),
    "hw_vol_list": (
        ["fd_hullwhite_price"],
        {"HW/VOL": [0.01]},
        wrong_type("VOL", "TypeError: must be real number, not list"),
    ),
    "bs_missing": (["fd_blackscholes_price"], {"BS": MISSING}, missing("BS")),
    "bs_vol_missing": (["fd_blackscholes_price"], {"BS/VOL": MISSING}, missing("VOL")),
    "bs_asset_missing": (["fd_blackscholes_price"], {"BS/ASSET": MISSING}, missing("ASSET")),
    "bs_asset_int": (
        ["fd_blackscholes_price"],
        {"BS/ASSET": 1},
        wrong_type("ASSET", "TypeError: 'int' object cannot be converted to 'PyString'"),
    ),
}


@pytest.mark.parametrize(
    "functions, changes, message", SECTION_ERRORS.values(), ids=SECTION_ERRORS.keys()
)
def test_engine_sections_report_their_exact_error(functions, changes, message, events_rb):
    for name in functions:
        assert dataset_error(name, changed(changes), events_rb) == message


FLAG_SECTIONS = {"mc_price": "MC", "fd_hullwhite_price": "FD", "fixed_price": "FIXED"}
NONE_NOT_INTEGER = "TypeError: 'NoneType' object cannot be interpreted as an integer"
FLAG_ERRORS = {
    "sixteen": (16, "Invalid bits set in FLAG"),
    "ninety_nine": (99, "Invalid bits set in FLAG"),
    "negative": (-1, wrong_type("FLAGS", NEGATIVE)),
    "float": (1.0, wrong_type("FLAGS", NOT_INTEGER)),
    "none": (None, wrong_type("FLAGS", NONE_NOT_INTEGER)),
    "beyond_32_bits": (
        2**32,
        wrong_type("FLAGS", "OverflowError: Python int too large to convert to C unsigned int"),
    ),
}


@pytest.mark.parametrize("name, section", FLAG_SECTIONS.items())
@pytest.mark.parametrize("value, message", FLAG_ERRORS.values(), ids=FLAG_ERRORS.keys())
def test_flags_outside_0_to_15_are_refused(name, section, value, message, events_rb):
    assert dataset_error(name, changed({f"{section}/FLAGS": value}), events_rb) == message


def all_flags(value):
    return {"MC/FLAGS": value, "FD/FLAGS": value, "FIXED/FLAGS": value}


Entries = type("Entries", (dict,), {})
Entry = type("Entry", (tuple,), {})

# (functions, changes) that read cleanly.
ACCEPTED = {
    "flags_absent": (PRICING, all_flags(MISSING)),
    "flags_fifteen": (PRICING, all_flags(15)),
    "flags_bool_and_numpy": (
        PRICING,
        {"MC/FLAGS": True, "FD/FLAGS": np.uint8(4), "FIXED/FLAGS": np.int64(0)},
    ),
    "fixed_absent": (["fixed_price"], {"FIXED": MISSING}),
    "fixed_list_with_bad_flags": (["fixed_price"], {"FIXED": [("FLAGS", 99)]}),
    "fixed_none": (["fixed_price"], {"FIXED": None}),
    "ints_where_floats": (
        FD,
        {"FD/MAX_X": 3, "FD/TIMESTEP": 1, "HW/MEANREV": 0, "HW/VOL": True, "BS/VOL": 1},
    ),
    "numpy_numbers": (
        PRICING,
        {
            "PRICING_TS": np.int64(5),
            "MC/PATHS": np.uint64(3),
            "FD/N_X": np.int32(5),
            "FD/MAX_X": np.float32(2.5),
        },
    ),
    "integer_limits": (PRICING, {"PRICING_TS": -(2**63), "MC/SEED": 2**64 - 1}),
    "zero_paths": (["mc_price"], {"MC/PATHS": 0}),
    "unknown_keys_ignored": (
        PRICING,
        {"EXTRA": object(), "MC/EXTRA": None, "ASSETS/EQ": ("FORWARDS", ROWS, "note")},
    ),
    "no_assets": (PRICING, {"ASSETS": {}}),
    "base_without_entry": (PRICING, {"BASE": "EUR"}),
    "one_row": (PRICING, entry("FORWARDS", np.array([[1.0, 100.0]]))),
    "one_row_at_zero": (PRICING, entry("FORWARDS", np.array([[0.0, 100.0]]))),
    "third_column": (
        PRICING,
        entry("FORWARDS", np.array([[1.0, 100.0, 9.0], [2.0, 105.0, 0.0]])),
    ),
    "zero_and_negative_forwards": (
        PRICING,
        entry("FORWARDS", np.array([[1.0, 0.0], [2.0, -1.0]])),
    ),
    "subclasses": (PRICING, {"ASSETS": Entries(EQ=Entry(("FORWARDS", ROWS)))}),
}


@pytest.mark.parametrize("functions, changes", ACCEPTED.values(), ids=ACCEPTED.keys())
def test_accepted_values_reach_the_engine(functions, changes, events_rb):
    for name in functions:
        reaches_engine(name, changed(changes), events_rb)


def strided_layouts():
    """Views whose column 0 rises only when read through their strides: read as plain
    C-order rows from the data pointer, the times would fall somewhere."""
    unaligned = np.frombuffer(
        bytes(1) + np.array([1.0, 0.1, 2.0, 0.2]).tobytes(), np.float64, offset=1
    )
    return {
        "fortran": np.asfortranarray([[1.0, 0.3], [2.0, 0.2], [3.0, 0.1]]),
        "reversed_rows": np.array([[3.0, 0.1], [2.0, 0.2], [1.0, 0.3]])[::-1],
        "every_other_row": np.array(
            [[1.0, 0.1], [9.0, 0.0], [2.0, 0.2], [0.0, 0.0], [3.0, 0.3]]
        )[::2],
        "later_columns": np.array([[5.0, 1.0, 0.1], [0.0, 2.0, 0.2], [-5.0, 3.0, 0.3]])[:, 1:],
        "unaligned": unaligned.reshape(2, 2),
    }


@pytest.mark.parametrize("layout", strided_layouts().keys())
def test_arrays_are_read_through_their_strides(layout, events_rb):
    array = strided_layouts()[layout]
    reaches_engine("fixed_price", changed(entry("FORWARDS", array)), events_rb)


HW, BS = "fd_hullwhite_price", "fd_blackscholes_price"
PRECEDENCE = {
    # (function, changes, the message of the problem read first)
    "base_before_mc": ("mc_price", {"BASE": MISSING, "MC": MISSING}, missing("BASE")),
    "base_before_assets": (
        "fixed_price",
        {"BASE": None, "ASSETS": MISSING},
        wrong_type("BASE", "TypeError: 'NoneType' object cannot be converted to 'PyString'"),
    ),
    "first_asset_before_paths": (
        "mc_price",
        {"ASSETS": {"USD": ["ZERO_RATES", ROWS], "EQ": ("FORWARDS", ROWS)}, "MC/PATHS": 10.0},
        "TypeError: 'list' object cannot be converted to 'PyTuple'",
    ),
    "assets_in_insertion_order": (
        "fixed_price",
        {"ASSETS": {"B": ("bad", ROWS), "A": ("FORWARDS", [])}},
        "Unknown asset type bad",
    ),
    "type_text_before_array": (
        "fixed_price",
        entry(3, "not an array"),
        "TypeError: 'int' object cannot be converted to 'PyString'",
    ),
    "array_before_type_value": (
        "fixed_price",
        entry("forwards", np.array([1.0])),
        bad_array("ndarray"),
    ),
    "curve_before_pricing_ts": (
        "fixed_price",
        {**entry("FORWARDS", np.array([[1.0, 1.0], [1.0, 1.0]])), "PRICING_TS": MISSING},
        STRICTLY_RISING,
    ),
    "paths_before_seed": ("mc_price", {"MC/PATHS": MISSING, "MC/SEED": MISSING}, missing("PATHS")),
    "seed_before_flags": ("mc_price", {"MC/SEED": MISSING, "MC/FLAGS": 16}, missing("SEED")),
    "flags_before_pricing_ts": (
        "mc_price",
        {"MC/FLAGS": 16, "PRICING_TS": MISSING},
        "Invalid bits set in FLAG",
    ),
    "n_x_before_max_x": (HW, {"FD/N_X": 1.5, "FD/MAX_X": MISSING}, wrong_type("N_X", NOT_INTEGER)),
    "max_x_before_timestep": (HW, {"FD/MAX_X": MISSING, "FD/TIMESTEP": MISSING}, missing("MAX_X")),
    "timestep_before_flags": (BS, {"FD/TIMESTEP": MISSING, "FD/FLAGS": 16}, missing("TIMESTEP")),
    "fd_flags_before_pricing_ts": (
        BS,
        {"FD/FLAGS": 16, "PRICING_TS": MISSING},
        "Invalid bits set in FLAG",
    ),
    "pricing_ts_before_hw": (HW, {"PRICING_TS": MISSING, "HW": MISSING}, missing("PRICING_TS")),
    "meanrev_before_vol": (HW, {"HW/MEANREV": MISSING, "HW/VOL": MISSING}, missing("MEANREV")),
    "bs_vol_before_asset": (BS, {"BS/VOL": MISSING, "BS/ASSET": MISSING}, missing("VOL")),
    "pricing_ts_before_fixed": (
        "fixed_price",
        {"PRICING_TS": MISSING, "FIXED/FLAGS": 99},
        missing("PRICING_TS"),
    ),
}


@pytest.mark.parametrize("name, changes, message", PRECEDENCE.values(), ids=PRECEDENCE.keys())
def test_first_problem_in_reading_order_is_reported(name, changes, message, events_rb):
    assert dataset_error(name, changed(changes), events_rb) == message


def test_dict_subclass_lookup_is_a_plain_dictionary_lookup(events_rb):
    class Defaults(dict):
        def __missing__(self, key):
            return 1

        def __getitem__(self, key):
            return 1

    dataset = Defaults(valid_dataset())
    del dataset["BASE"]
    assert dataset_error("fixed_price", dataset, events_rb) == missing("BASE")


def test_failing_key_comparison_is_a_python_error(events_rb):
    class Clash(str):
        # Same hash as "BASE", but comparing with it raises.
        def __hash__(self):
            return hash("BASE")

        def __eq__(self, other):
            raise ValueError("no comparison")

    dataset = valid_dataset()
    del dataset["BASE"]
    dataset[Clash("X")] = "USD"
    assert dataset_error("fixed_price", dataset, events_rb) == "ValueError: no comparison"
