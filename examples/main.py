"""Velkor's worked example: what the module offers and how it answers a bad call."""

import inspect

import pyarrow as pa

import _velkor


def show_module():
    print("Velkor engine module", _velkor.__name__)
    for name in _velkor.__all__:
        function = getattr(_velkor, name)
        print(f"  {name}{inspect.signature(function)}")
        print(f"      {function.__doc__}")


def contract():
    """A one-event contract: 100 USD paid on the contract's main track."""
    return pa.RecordBatch.from_arrays(
        [
            pa.array([1_735_689_600_000], pa.timestamp("ms")),
            pa.DictionaryArray.from_arrays(pa.array([0], pa.int64()), pa.array(["main"])),
            pa.DictionaryArray.from_arrays(pa.array([0], pa.int64()), pa.array(["+"])),
            pa.array([100.0]),
            pa.DictionaryArray.from_arrays(pa.array([0], pa.int64()), pa.array(["USD"])),
        ],
        names=["time", "track", "op", "quantity", "unit"],
    )


def show_argument_check():
    print("\nA dataset given as a list is refused before any work:")
    try:
        _velkor.fixed_price(contract(), None, [("BASE", "USD")], {})
    except TypeError as error:
        print(f"  TypeError: {error}")


if __name__ == "__main__":
    show_module()
    show_argument_check()
