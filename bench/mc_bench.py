"""mc_price over a Bermudan put (a ">" choice at each of 50 dates) on 100,000 paths of the
NumPy geometric Brownian motion: the whole call, the time inside the Python model's methods,
and the engine's own time (the rest) per path per event row and as a share of the whole."""

import os
import time

# NumPy's BLAS threads would spin beside the engine on a small machine.
os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")

import numpy as np
import pyarrow as pa

import _velkor
from velkor.paths import GeometricBrownianMotion

PATHS = 100_000
DATES = 50
STRIKE = 100.0
PRICING_TS = 1_700_000_000_000
MS_PER_YEAR = 31_536_000_000


def dictionary(keys, values):
    return pa.DictionaryArray.from_arrays(pa.array(keys, pa.int64()), pa.array(values))


def bermudan_put():
    """At each date the holder may take (">") that date's exercise track: receive the strike
    and deliver one EQ."""
    times, tracks, ops, quantities, units = [], [], [], [], []
    for date in range(1, DATES + 1):
        ts = PRICING_TS + date * MS_PER_YEAR // DATES
        times += [ts] * 3
        tracks += [0, date, date]
        ops += [0, 1, 1]
        quantities += [1.0, STRIKE, -1.0]
        units += [date + 2, 0, 1]
    track_names = ["main"] + [f"exercise{d}" for d in range(1, DATES + 1)]
    unit_names = ["USD", "EQ"] + track_names
    return pa.RecordBatch.from_arrays(
        [
            pa.array(times, pa.timestamp("ms")),
            dictionary(tracks, track_names),
            dictionary(ops, [">", "+"]),
            pa.array(quantities),
            dictionary(units, unit_names),
        ],
        names=["time", "track", "op", "quantity", "unit"],
    )


def dataset():
    return {
        "BASE": "USD",
        "ASSETS": {"USD": ("ZERO_RATES", np.array([[0.0, 0.03], [5.0, 0.03]]))},
        "PRICING_TS": PRICING_TS,
        "MC": {"PATHS": PATHS, "SEED": 1},
    }


class TimedModel(GeometricBrownianMotion):
    """The GBM with the time spent in its methods added up."""

    def __init__(self):
        super().__init__({"EQ": 100.0}, {"EQ": 0.2}, 0.03, PATHS, seed=1)
        self.seconds = 0.0

    def advance(self, t):
        start = time.perf_counter()
        try:
            return super().advance(t)
        finally:
            self.seconds += time.perf_counter() - start

    def get_value(self, name):
        start = time.perf_counter()
        try:
            return super().get_value(name)
        finally:
            self.seconds += time.perf_counter() - start


def run(batch, data):
    model = TimedModel()
    start = time.perf_counter()
    _velkor.mc_price(batch, model, data, {})
    return time.perf_counter() - start, model.seconds


def main():
    batch, data = bermudan_put(), dataset()
    total, model = min(run(batch, data) for _ in range(5))
    engine = total - model
    print(f"mc_price_total_ms {total * 1e3:.1f}")
    print(f"mc_model_methods_ms {model * 1e3:.1f}")
    print(f"mc_engine_ns_per_path_per_event {engine / (PATHS * batch.num_rows) * 1e9:.2f}")
    print(f"mc_engine_share {engine / total:.3f}")


if __name__ == "__main__":
    main()
