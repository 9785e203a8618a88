"""Monte Carlo pricing with mc_price: a European call on paths from a seeded geometric
Brownian motion, printed beside the Black-Scholes closed form."""

import math

import _velkor
from contracts import PRICING_TS, european_option_rows, events, zero_rates
from velkor.closed_forms import black_scholes_call
from velkor.paths import GeometricBrownianMotion

SPOT, STRIKE, RATE, VOL, EXPIRY, PATHS = 100.0, 105.0, 0.03, 0.2, 1.0, 100_000


def dataset(rate):
    """USD discounts at a flat continuously compounded rate; EQ comes from the path model."""
    return {
        "BASE": "USD",
        "ASSETS": {"USD": zero_rates(rate)},
        "PRICING_TS": PRICING_TS,
        "MC": {"PATHS": PATHS, "SEED": 2025, "FLAGS": 1},  # 1: report "PV_VEC"
    }


def main():
    model = GeometricBrownianMotion({"EQ": SPOT}, {"EQ": VOL}, RATE, PATHS, seed=2025,
                                    antithetic=True)
    call = events(european_option_rows("call", "EQ", STRIKE, EXPIRY))
    price = _velkor.mc_price(call, model, dataset(RATE), {})
    pv = model.stats["PV_VEC"]  # each path's present value
    # Antithetic pairs are not independent: the error comes from the pair averages.
    pairs = 0.5 * (pv[: PATHS // 2] + pv[PATHS // 2 :])
    standard_error = pairs.std(ddof=1) / math.sqrt(len(pairs))
    reference = black_scholes_call(SPOT, STRIKE, RATE, VOL, EXPIRY)
    print(f"\nEuropean call, spot {SPOT:g}, strike {STRIKE:g}, {EXPIRY:g} year, vol {VOL:g}, "
          f"rate {RATE:g}:")
    print(f"  {'mc_price, ' + format(PATHS, ',') + ' paths':<32}{price:.4f} "
          f"(standard error {standard_error:.4f})")
    print(f"  {'Black-Scholes closed form':<32}{reference:.4f}")


if __name__ == "__main__":
    main()
