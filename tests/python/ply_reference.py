"""Independent references for the ply material tests."""
import numpy as np


def nye_compliance(p):
    """6x6 compliance of an orthotropic ply in Nye order from its Nye property vector
    (E1, E2, E3, nu12, nu13, nu23, G12, G13, G23)."""
    e1, e2, e3, n12, n13, n23, g12, g13, g23 = p
    s = np.zeros((6, 6))
    s[:3, :3] = [[1 / e1, -n12 / e1, -n13 / e1], [-n12 / e1, 1 / e2, -n23 / e2], [-n13 / e1, -n23 / e2, 1 / e3]]
    s[3, 3], s[4, 4], s[5, 5] = 1 / g12, 1 / g13, 1 / g23
    return s


def refined_max(ref, th):
    """The largest value of ref (vectorised over planes, NaN where a plane has no value) over the
    ascending grid th, refined 100 times about the grid's local maxima near its top and then 100
    times about the best three points: at a cusp, a step or the edge of the planes with a value,
    the largest value lies between two grid points. -inf where no plane has a value."""
    g = np.nan_to_num(ref(th), nan=-np.inf)
    top = g.max()
    at = th[(g >= np.r_[-np.inf, g[:-1]]) & (g >= np.r_[g[1:], -np.inf]) & (g >= top - 1e-4 * abs(top))]
    for step in (th[1] - th[0], (th[1] - th[0]) / 100):
        fine = np.clip((at[:, None] + np.linspace(-1, 1, 201) * step).ravel(), th[0], th[-1])
        g = np.nan_to_num(ref(fine), nan=-np.inf)
        top, at = max(top, g.max()), fine[np.argsort(g)[-3:]]
    return top
