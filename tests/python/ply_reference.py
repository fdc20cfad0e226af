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


def larc04_band_plane_in_ply_frame(theta, s, xc11, xc22, x12, g12, a0=53.0):
    """The plane theta of LaRC04's kink-band frame (the ply axes turned by psi about the fibres, then
    by phi about 3) in the ply frame, from the written law: the band plane's normal projected onto the
    ply's 2-3 plane, psi + atan2(sin theta cos phi, cos theta) mod pi; and psi, |phi| (pi/4 where
    the band is unstable)."""
    s11, s22, s33, s12, s13, s23 = s
    psi = 0.0 if s23 == 0 and s22 == s33 else np.arctan(2 * s23 / (s22 - s33)) / 2
    a = np.radians(a0)
    eta_t = -1 / np.tan(2 * a)
    st = xc22 * np.cos(a) * (np.sin(a) + np.cos(a) / np.tan(2 * a))
    eta_l = eta_t * x12 / st
    b = x12 / xc11
    phic = np.arctan((1 - np.sqrt(1 - 4 * (eta_l + b) * b)) / (2 * (eta_l + b)))
    phi0 = phic - xc11 * phic / g12
    den = g12 + s11 - s22
    phi = (g12 * phi0 + abs(s12)) / den
    if den <= 0 or abs(phi) >= np.pi / 4:
        phi = np.pi / 4
    plane = (psi + np.arctan2(np.sin(theta) * np.cos(phi), np.cos(theta))) % np.pi
    return plane, psi, phi
