"""Seeds of the tests that draw random inputs.

Every such test seeds its generator with `rng_seed(constant)`. Without TVK_SEARCH_SEED set this is
the constant itself, so a plain run draws what it always drew. With TVK_SEARCH_SEED=<integer> set,
each constant is mixed with that integer into a fresh seed (two tests with different constants
still draw differently), so a run such as

    TVK_SEARCH_SEED=31337 PYTHONPATH=build/python /usr/bin/python3 -m pytest -q -p no:cacheprovider tests/python

hunts with other inputs. A failure names the constant's test; the same TVK_SEARCH_SEED repeats it."""
import os

import numpy as np

_ENV = os.environ.get("TVK_SEARCH_SEED", "").strip()
FRESH = int(_ENV) if _ENV else None


def rng_seed(constant):
    """The seed for a generator whose usual seed is the integer `constant`: the constant itself, or
    a seed drawn from (TVK_SEARCH_SEED, constant) where the variable is set."""
    if FRESH is None:
        return constant
    return int(np.random.SeedSequence([abs(FRESH), abs(int(constant))]).generate_state(1, np.uint64)[0])
