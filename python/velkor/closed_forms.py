"""Closed-form prices used to check the engines' results."""

from __future__ import annotations

import math


def _normal_cdf(x: float) -> float:
    return 0.5 * math.erfc(-x / math.sqrt(2.0))


def black_scholes_call(spot: float, strike: float, rate: float, vol: float, expiry: float,
                       dividend_yield: float = 0.0) -> float:
    """The Black-Scholes price of a European call."""
    discount = math.exp(-rate * expiry)
    forward = spot * math.exp((rate - dividend_yield) * expiry)
    if expiry <= 0 or vol <= 0:
        return discount * max(forward - strike, 0.0)
    sd = vol * math.sqrt(expiry)
    d1 = (math.log(forward / strike) + 0.5 * sd * sd) / sd
    return discount * (forward * _normal_cdf(d1) - strike * _normal_cdf(d1 - sd))


def black_scholes_put(spot: float, strike: float, rate: float, vol: float, expiry: float,
                      dividend_yield: float = 0.0) -> float:
    """The Black-Scholes price of a European put, by put-call parity."""
    discount = math.exp(-rate * expiry)
    forward = spot * math.exp((rate - dividend_yield) * expiry)
    call = black_scholes_call(spot, strike, rate, vol, expiry, dividend_yield)
    return call - discount * (forward - strike)
