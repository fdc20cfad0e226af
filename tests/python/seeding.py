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


def seeded_tests_with_transcendental_references(folder):
    """Node ids of the tests in `folder` that draw from a seed and whose module computes references
    with numpy's transcendental functions: the tests whose tolerances depend on which of numpy's
    code paths (its own AVX-512 code or glibc's) computed them."""
    import ast
    import glob
    import re

    trans = re.compile(r"\bnp\.(sin|cos|tan|arcsin|arccos|arctan2?|sinh|cosh|tanh|exp|expm1|log|log1p|log10|log2|"
                       r"power|radians|degrees|hypot)\b")
    ids = []
    for path in sorted(glob.glob(os.path.join(folder, "test_*.py"))):
        src = open(path).read()
        if not trans.search(src) or ("rng_seed" not in src and "TVK_SEARCH_SEED" not in src):
            continue
        tree = ast.parse(src)
        # a module that reads the variable at its top seeds all its tests
        whole = any(not isinstance(n, (ast.FunctionDef, ast.ClassDef)) and "TVK_SEARCH_SEED" in ast.unparse(n)
                    for n in tree.body)
        for n in tree.body:
            if isinstance(n, ast.FunctionDef) and n.name.startswith("test_"):
                body = ast.unparse(n)
                if whole or "rng_seed" in body or "TVK_SEARCH_SEED" in body:
                    ids.append(path + "::" + n.name)
    return ids


if __name__ == "__main__":
    import sys

    print(" ".join(seeded_tests_with_transcendental_references(sys.argv[1] if len(sys.argv) > 1 else ".")))
