"""Path models for `mc_price`: Python objects the engine advances in time and asks for values.

The engine calls, on the object passed as `py_state`:

- ``advance(t)`` once per distinct event time after the pricing time, with ``t`` in years
  from the pricing time, strictly increasing. The result is the discount factor of the step
  from the previous model time to ``t``: a float64 array with one entry per path, or one
  number for all paths; any other result (``None``) makes the engine use the dataset's
  base discount curve instead.
- ``get_value(name)`` for the undiscounted per-path values of a quantity at the current
  model time: a one-dimensional float64 array, or anything else (``None``) when the model
  does not know the name, which then comes from the dataset's forward curves.
- ``set_stat(key, value)`` with the statistics the dataset's FLAGS ask for.

A model object serves one valuation: it only moves forward and is never reset.
"""

from __future__ import annotations

import math
from collections.abc import Mapping

import numpy as np


class StatisticsReceiver:
    """Keeps what the engine reports through ``set_stat``, by key."""

    def __init__(self) -> None:
        self.stats: dict[str, object] = {}

    def set_stat(self, key: str, value: object) -> None:
        self.stats[key] = value


class GeometricBrownianMotion(StatisticsReceiver):
    """Seeded risk-neutral geometric Brownian motion of one or more assets under a constant
    continuously compounded short rate.

    Each asset S follows dS = (rate - dividend_yield) S dt + vol S dW, simulated exactly
    between the times the engine asks for. Assets are independent unless ``correlation``
    (a positive semi-definite matrix in the order of ``spots``) is given. With
    ``antithetic=True`` the second half of the paths mirrors the first half's shocks, which
    needs an even number of paths.
    """

    def __init__(
        self,
        spots: Mapping[str, float],
        vols: Mapping[str, float],
        rate: float,
        paths: int,
        seed: int,
        dividend_yields: Mapping[str, float] | None = None,
        correlation: np.ndarray | None = None,
        antithetic: bool = False,
    ) -> None:
        super().__init__()
        if paths < 1:
            raise ValueError("paths must be at least 1")
        if antithetic and paths % 2:
            raise ValueError("antithetic paths need an even number of paths")
        missing = set(spots) - set(vols)
        if missing:
            raise ValueError(f"no volatility for {sorted(missing)}")
        self.names = list(spots)
        self.rate = float(rate)
        self.paths = int(paths)
        self.antithetic = antithetic
        self._vols = np.array([vols[name] for name in self.names], dtype=np.float64)
        yields = dividend_yields or {}
        self._yields = np.array([yields.get(name, 0.0) for name in self.names], dtype=np.float64)
        self._cholesky = None
        if correlation is not None:
            correlation = np.asarray(correlation, dtype=np.float64)
            if correlation.shape != (len(self.names), len(self.names)):
                raise ValueError("correlation must be a square matrix over the assets")
            self._cholesky = np.linalg.cholesky(correlation)
        self._rng = np.random.default_rng(seed)
        self._values = np.tile(
            np.array([spots[name] for name in self.names], dtype=np.float64)[:, None],
            (1, self.paths),
        )
        self.time = 0.0

    def _shocks(self) -> np.ndarray:
        count = self.paths // 2 if self.antithetic else self.paths
        z = self._rng.standard_normal((len(self.names), count))
        if self.antithetic:
            z = np.concatenate([z, -z], axis=1)
        if self._cholesky is not None:
            z = self._cholesky @ z
        return z

    def advance(self, t: float) -> float:
        dt = t - self.time
        if dt < 0:
            raise ValueError(f"cannot move back in time from {self.time} to {t}")
        drift = (self.rate - self._yields - 0.5 * self._vols**2) * dt
        diffusion = self._vols[:, None] * math.sqrt(dt) * self._shocks()
        self._values *= np.exp(drift[:, None] + diffusion)
        self.time = t
        return math.exp(-self.rate * dt)

    def get_value(self, name: str) -> np.ndarray | None:
        if name not in self.names:
            return None
        # A copy: the model's own rows change at the next advance.
        return self._values[self.names.index(name)].copy()
