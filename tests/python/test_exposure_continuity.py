"""VDI 2014's fibre-parallel weakening of the inter-fibre exposure: continuous where the ratio
q = fIFF/fFF passes the weakening's threshold s, and never falling as the fibre stress grows.
References: the action-plane measure on a 0.01-degree grid (numpy) and the weakening factor at 50
digits (mpmath), written here independently of the library."""
import math

import mpmath
import numpy as np
import pytest

import _tolvek as t
from seeding import rng_seed

mc = t.mccollection
XT11, XC11, YT, YC, SL = 1800.0, 1100.0, 60.0, 160.0, 85.0


def vdi_measure(s, th, p=(0.3, 0.3, 0.25, 0.25)):
    s22, s33, s12, s13, s23 = s
    c, n = np.cos(th), np.sin(th)
    tn, tl = s33 * c * c + s22 * n * n - 2 * s23 * n * c, s13 * c - s12 * n
    tt = s23 * (c * c - n * n) + (s33 - s22) * n * c
    w = tt * tt + tl * tl
    small = np.abs(tt) <= 1e-6
    cos2 = np.where(small, 0.0, tt * tt / np.where(small, 1.0, w))
    sin2 = np.where(small, 1.0, tl * tl / np.where(small, 1.0, w))
    ra = YC / (2 * (1 + p[3]))
    shear = (tt / ra) ** 2 + (tl / SL) ** 2
    ct = p[2] / ra * cos2 + p[0] / SL * sin2
    cc = p[3] / ra * cos2 + p[1] / SL * sin2
    return np.where(tn >= 0, np.sqrt(((1 / YT - ct) * tn) ** 2 + shear) + ct * tn,
                    np.sqrt((cc * tn) ** 2 + shear) + cc * tn)


def weakened(fiff, s11, s=0.5, m=0.5):
    """The weakened exposure at 50 digits: fIFF/eta_w(q) for s <= q <= 1/m, fIFF/s below s (where
    0 < s < 1 and s <= 1/m), fIFF otherwise."""
    with mpmath.workdps(50):
        fiff, s, m = mpmath.mpf(fiff), mpmath.mpf(s), mpmath.mpf(m)
        fff = mpmath.mpf(s11) / (XT11 if s11 >= 0 else -XC11)
        q = fiff / fff if fff > mpmath.mpf("1e-6") else mpmath.mpf(10) ** 6
        applies = 0 < s < 1 and (m == 0 or (m > 0 and s <= 1 / m))
        if applies and 0 <= q < s:
            return float(fiff / s)
        if (m == 0 or q <= 1 / m) and q >= s:
            a = (1 - m) / mpmath.sqrt(1 - s * s)
            return float(fiff * (q * q * a * a + 1) / (q * (a * mpmath.sqrt(q * q * (a * a - m * m) + 1) + m)))
        return float(fiff)


def test_vdi2014_exposure_doubles_below_the_threshold_instead_of_falling():
    """Regression: past q = s the weakening dropped out at once, and the exposure fell by 1/s, from
    0.482 at s11 = 867 to 0.241 from 868 on: a larger fibre stress read a smaller exposure."""
    s = (-20.0, -60.0, 14.0, -6.0, -2.0)
    fiff = vdi_measure(s, np.linspace(0, math.pi, 18001)).max()
    rmc = lambda s11: mc.mcrckvdi2014(s11, *s, XT11, XC11, YT, YC, SL, sainc=0.01)[0]
    assert fiff == pytest.approx(0.24107195691576, rel=1e-9)
    for s11, old in ((800, 0.450), (850, 0.474), (867, 0.482)):  # s <= q: as before
        assert rmc(s11) == pytest.approx(weakened(fiff, s11), rel=1e-9)
        assert rmc(s11) == pytest.approx(old, abs=1e-3)
    for s11 in (868, 900, 2000, 1e5):
        assert rmc(s11) == pytest.approx(2 * fiff, rel=1e-9)  # 0.482, was 0.241
    # At q = s the two sides meet: eta_w(s) = s, and the exposure equals fFF there.
    s11 = fiff / 0.5 * XT11
    below, above = rmc(s11 * (1 + 1e-12)), rmc(s11 * (1 - 1e-12))
    assert below == pytest.approx(above, rel=1e-10) and above == pytest.approx(s11 / XT11, rel=1e-10)


@pytest.mark.parametrize("wp", [(0.5, 0.5), (0.3, 0.6), (0.8, 1.2), (0.2, 0.0), (0.5, 2.5), (0.0, 0.5)])
def test_vdi2014_exposure_never_falls_as_the_fibre_stress_grows(wp):
    """A sweep of s11 in tension and in compression against the 50-digit weakening, also where there
    is no weakening below s to keep (s > 1/m, s = 0): nothing changes there."""
    rng = np.random.default_rng(rng_seed(64))
    for s in rng.normal(size=(12, 5)) * [60, 60, 40, 30, 30]:
        fiff = mc.mcrckvdi2014(0.0, *s, XT11, XC11, YT, YC, SL)[0]  # fFF = 0 (q = 1e6 > 1/m): unweakened
        for sign, x in ((1, XT11), (-1, XC11)):
            s11 = sign * np.linspace(0, 3 * x, 600)[1:]
            r = np.array([mc.mcrckvdi2014(v, *s, XT11, XC11, YT, YC, SL, wp=list(wp))[0] for v in s11])
            assert np.all(np.diff(r) >= -4e-16 * r[1:]), (s, wp, sign)
            ref = np.array([weakened(fiff, v, *wp) for v in s11])
            assert r == pytest.approx(ref, rel=1e-13)


def test_matrix_cracking_vdi2014_reads_neighbouring_stresses_alike():
    """Regression: through MatrixCracking these two stresses, 0.5 % apart in their transverse
    components, read 0.494 and 0.990. A ply whose fibres have failed, with fIFF in [s, 1), now
    reads matrix-failed too, since fIFF/s >= 1."""
    md = t.materialdata
    md.psprops = np.array([XT11, YT, YT, XC11, YC, YC, SL, SL, 50, 80])[:, None, None]
    md.peprops = np.array([140e3, 9e3, 9e3, 0.3, 0.3, 0.4, 5e3, 5e3, 3.5e3])[:, None, None]
    md.pdprops = np.full((1, 1, 1), np.finfo(float).max)
    mcr = lambda s: t.damage.matrixcracking(np.array(s, float), md.peprops, md.psprops, md.pdprops,
                                            np.zeros((1, 1)), 1, 1, 13)
    try:
        out = []
        for s in ((1782, -41, -123, 28.7, -12.3, -4.1), (1782, -41.2, -123.6, 28.84, -12.36, -4.12),
                  (2700, -43.3, -129.8, 30.3, -13.0, -4.3)):
            fiff = mcr((0.0, *s[1:]))[1]
            failed, r, _ = mcr(s)
            assert r == pytest.approx(weakened(fiff, s[0]), rel=1e-13)
            out.append((failed, r, fiff))
    finally:
        md.psprops = md.peprops = md.pdprops = None
    assert out[0][1] == pytest.approx(out[1][1], rel=0.01) and out[1][0] == 0.0  # 0.987 and 0.990
    assert s[0] / XT11 >= 1 and 0.5 <= out[2][2] < 1 and out[2][0] == 1.0  # fibres failed, fIFF in [s, 1)


def test_closed_form_matrix_exposure_that_has_failed_never_reads_intact_further_out():
    """Regression: squares and products that overflow made a NaN or infinite term, and sqrt(v) for
    v > 0 else 0, or 2Q/(sqrt(D) - L) with D = inf, read 0: mcflag 3 refused (-1.78e155, 8.9e153,
    8.9e153, 1.78e154, 0, 0) but read 1.78 times that intact, mcflag 1 read s22 = -1e156 intact
    after -1e155 failed. Along a ray, a failed, refused or non-finite reading stays so."""
    dmg, md, eh = t.damage, t.materialdata, t.errorhandling
    md.psprops = np.array([2560.0, 73.0, 60.0, 1590.0, 185.0, 200.0, 90.0, 95.0, 57.0, 80.0])[:, None, None].copy()
    md.peprops = np.array([171420.0, 9080.0, 9080.0, 0.32, 0.32, 0.45, 5290.0, 5290.0, 3130.0])[:, None, None].copy()
    md.pdprops = np.full((8, 1, 1), np.finfo(float).max)

    def broken(s, flag):
        eh.rsxerr(1)
        if flag == 0:
            f, r = 0.0, mc.mcrckchristensen(*s[1:], 50.0, 200.0, 50.0, 200.0, 80.0, 80.0, 45.0)
        else:
            f, r, _ = dmg.matrixcracking(s, md.peprops, md.psprops, md.pdprops, np.zeros((1, 1)), 1, 1, flag)
        return f == 1.0 or eh.errstat == -3 or not math.isfinite(r)

    try:
        assert broken(np.array([-1.78e155, 8.9e153, 8.9e153, 1.78e154, 0, 0]), 3)
        assert broken(np.array([-3.16e155, 1.58e154, 1.58e154, 3.16e154, 0, 0]), 3)
        assert broken(np.array([0, -1e156, 0, 0, 0, 0]), 1) and not broken(np.array([0, -50.0, 0, 20.0, 0, 0]), 1)
        rng = np.random.default_rng(rng_seed(243))
        for _ in range(60):
            d = rng.normal(size=6) * (rng.random(6) > 0.25)
            for flag in range(9):  # 0: Christensen's member
                readings = [broken(k * d, flag) for k in np.geomspace(1e150, 1e300, 31)]
                assert readings == sorted(readings), (flag, d)  # intact (False) never after True
        # L^2 overflows while Q does not (a tensile strength far below the compressive one): about
        # Q/|L| = 1e145 and 1e145, which read 0
        assert t.gpcollection.gppolycamanho(-1e145, 0, 0, 0, 0, 0, 1e-10, 1.0, 50, 200, 80, 80, 45) == math.inf
        assert mc.mcrckchristensen(-1e150, 0, 0, 0, 0, 1e-10, 1.0, 1.0, 1.0, 80, 80, 45) == math.inf
    finally:
        md.psprops = md.peprops = md.pdprops = None
        eh.rsxerr(1)
