"""fd_blackscholes_price and fd_hullwhite_price: a European call and an American-style put
under Black-Scholes, and a zero-coupon bond under Hull-White, each beside its reference."""

import math

import _velkor
from contracts import PRICING_TS, european_option_rows, events, growing_forwards, zero_rates
from velkor.closed_forms import black_scholes_call, black_scholes_put

SPOT, STRIKE, RATE, VOL, EXPIRY = 100.0, 100.0, 0.05, 0.2, 1.0


def dataset():
    return {
        "BASE": "USD",
        "ASSETS": {"USD": zero_rates(RATE), "EQ": growing_forwards(SPOT, RATE)},
        "PRICING_TS": PRICING_TS,
        # 801 points over +-1.2 in log-spot (6 standard deviations), steps of about 9 hours.
        "FD": {"N_X": 400, "MAX_X": 1.2, "TIMESTEP": 0.001},
        "BS": {"VOL": VOL, "ASSET": "EQ"},
        "HW": {"MEANREV": 0.1, "VOL": 0.01},
    }


def american_put_rows(dates):
    """The holder may exercise at each of `dates` equally spaced dates up to expiry: at
    each one a choice (">") against everything the put still offers later."""
    rows = []
    for k in range(1, dates + 1):
        rows += european_option_rows("put", "EQ", STRIKE, EXPIRY * k / dates, track="put",
                                     exercise=f"exercise_{k}")
    return rows


def main():
    print(f"\nFinite differences, spot {SPOT:g}, strike {STRIKE:g}, vol {VOL:g}, rate {RATE:g}, "
          f"{EXPIRY:g} year:")
    call = _velkor.fd_blackscholes_price(
        events(european_option_rows("call", "EQ", STRIKE, EXPIRY)), None, dataset(), {})
    # The grid's price is its value one time step after the pricing time, so it differs from
    # the closed form by about theta x TIMESTEP (here about 0.006).
    print(f"  {'European call, Black-Scholes grid':<44}{call:10.4f}   closed form "
          f"{black_scholes_call(SPOT, STRIKE, RATE, VOL, EXPIRY):10.4f}")
    put = _velkor.fd_blackscholes_price(events(american_put_rows(50)), None, dataset(), {})
    print(f"  {'American-style put, 50 exercise dates':<44}{put:10.4f}   European put "
          f"{black_scholes_put(SPOT, STRIKE, RATE, VOL, EXPIRY):10.4f}")
    bond = _velkor.fd_hullwhite_price(
        events([(5.0, "bond", "+", 1.0, "USD")]), None, dataset(), {})
    print(f"  {'5y zero-coupon bond, Hull-White grid':<44}{bond:10.4f}   discount factor "
          f"{math.exp(-5 * RATE):10.4f}")


if __name__ == "__main__":
    main()
