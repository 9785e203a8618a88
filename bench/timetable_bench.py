"""Compiling the timetable of a 10-million-row event batch against pyarrow's building of that
batch. Prints nanoseconds per row for each and their ratio, one figure per line."""

import time

import numpy as np
import pyarrow as pa

import _velkor

ROWS = 10_000_000
REPEATS = 5
TRACKS = ["leg0", "leg1", "leg2", "fee"]
OPS = ["+", ">", "<", "Exercise"]
UNITS = ["USD", "EUR", "leg1", "leg2", "fee", "GAS"]


def raw_columns(seed=7):
    """Row data as NumPy arrays: what a caller holds before building the batch."""
    rng = np.random.default_rng(seed)
    times = np.sort(rng.integers(1_700_000_000_000, 1_900_000_000_000, ROWS))
    return {
        "time": times,
        "track": rng.integers(0, len(TRACKS), ROWS),
        "op": rng.integers(0, len(OPS), ROWS),
        "quantity": rng.standard_normal(ROWS),
        "unit": rng.integers(0, len(UNITS), ROWS),
    }


def build_batch(raw):
    def dictionary(keys, values):
        return pa.DictionaryArray.from_arrays(pa.array(keys, pa.int64()), pa.array(values))

    return pa.RecordBatch.from_arrays(
        [
            pa.array(raw["time"], pa.timestamp("ms")),
            dictionary(raw["track"], TRACKS),
            dictionary(raw["op"], OPS),
            pa.array(raw["quantity"], pa.float64()),
            dictionary(raw["unit"], UNITS),
        ],
        names=["time", "track", "op", "quantity", "unit"],
    )


def compile_only(batch):
    # The empty dataset fails at once, right after the timetable has compiled.
    try:
        _velkor.fixed_price(batch, None, {}, {})
    except RuntimeError as error:
        assert str(error).startswith("Error while parsing Dataset"), error
    else:
        raise AssertionError("the empty dataset was accepted")


def best_of(action):
    best = float("inf")
    for _ in range(REPEATS):
        start = time.perf_counter_ns()
        action()
        best = min(best, time.perf_counter_ns() - start)
    return best


def main():
    raw = raw_columns()
    batch = build_batch(raw)
    build_ns = best_of(lambda: build_batch(raw)) / ROWS
    compile_ns = best_of(lambda: compile_only(batch)) / ROWS
    print(f"pyarrow_build_ns_per_row {build_ns:.3f}")
    print(f"timetable_compile_ns_per_row {compile_ns:.3f}")
    print(f"compile_to_build_ratio {compile_ns / build_ns:.3f}")


if __name__ == "__main__":
    main()
