"""Velkor: pricing and backtesting of contracts given as data.

The engine is the extension module ``_velkor``; its six functions are re-exported here.
``velkor.paths`` holds path models for ``mc_price`` and ``velkor.closed_forms`` reference
prices for checking results.
"""

from _velkor import (  # noqa: F401
    backtest_csv,
    backtest_py,
    fd_blackscholes_price,
    fd_hullwhite_price,
    fixed_price,
    mc_price,
)

__all__ = [
    "mc_price",
    "fixed_price",
    "fd_hullwhite_price",
    "fd_blackscholes_price",
    "backtest_csv",
    "backtest_py",
]
