"""fixed_price over a 1-million-row contract of asset events on a few tracks: nanoseconds per
event for the whole call (timetable compile, forward sweep, backward induction, price)."""

import os
import time

# NumPy's BLAS threads would spin beside the engine on a small machine.
os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")

import numpy as np
import pyarrow as pa

import _velkor

ROWS = 1_000_000
PRICING_TS = 1_700_000_000_000
MS_PER_YEAR = 31_536_000_000


def dictionary(keys, values):
    return pa.DictionaryArray.from_arrays(pa.array(keys, pa.int64()), pa.array(values))


def contract(rows):
    # Events spread over ten years, in time order, cycling over 4 tracks and 3 assets.
    times = PRICING_TS + (np.arange(rows, dtype=np.int64) * (10 * MS_PER_YEAR // rows))
    index = np.arange(rows, dtype=np.int64)
    return pa.RecordBatch.from_arrays(
        [
            pa.array(times, pa.timestamp("ms")),
            dictionary(index % 4, ["main", "leg1", "leg2", "leg3"]),
            dictionary(np.zeros(rows, dtype=np.int64), ["+"]),
            pa.array(np.full(rows, 1.5)),
            dictionary(index % 3, ["USD", "EQ", "FX"]),
        ],
        names=["time", "track", "op", "quantity", "unit"],
    )


def dataset():
    grid = np.linspace(0.0, 11.0, 45)
    return {
        "BASE": "USD",
        "ASSETS": {
            "USD": ("ZERO_RATES", np.column_stack([grid, 0.03 + 0.001 * grid])),
            "EQ": ("FORWARDS", np.column_stack([grid, 100.0 * np.exp(0.02 * grid)])),
            "FX": ("FORWARDS", np.column_stack([grid, 1.1 * np.exp(-0.01 * grid)])),
        },
        "PRICING_TS": PRICING_TS,
    }


def best_of(runs, call):
    timings = []
    for _ in range(runs):
        start = time.perf_counter()
        call()
        timings.append(time.perf_counter() - start)
    return min(timings)


def main():
    batch, data = contract(ROWS), dataset()
    whole = best_of(5, lambda: _velkor.fixed_price(batch, None, data, {}))
    compile_only = best_of(5, lambda: _try(lambda: _velkor.fixed_price(batch, None, {}, {})))
    print(f"fixed_price_ns_per_event {whole / ROWS * 1e9:.1f}")
    print(f"fixed_price_valuation_ns_per_event {(whole - compile_only) / ROWS * 1e9:.1f}")


def _try(call):
    try:
        call()
    except RuntimeError:
        pass


if __name__ == "__main__":
    main()
