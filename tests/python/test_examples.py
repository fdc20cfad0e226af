"""The example analyses run as a user runs them (a separate interpreter, a non-interactive
matplotlib backend), and their printed results agree with a lamination-theory computation of this
test's own (numpy only, no library call)."""

import os
import re
import subprocess
import sys
import textwrap

import numpy as np
import pytest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
EXAMPLE = os.path.join(ROOT, "examples", "laminate_failure.py")

# T300/BSL914C, as the example's built-in material card gives it (N, mm, MPa).
E1, E2, NU12, G12 = 138000.0, 11000.0, 0.28, 5500.0
XT, XC, YT, YC, S12 = 1500.0, 900.0, 27.0, 200.0, 80.0


def run_example(tmp_path, *args):
    env = dict(os.environ, MPLBACKEND="Agg")
    png = tmp_path / "envelope.png"
    proc = subprocess.run([sys.executable, EXAMPLE, "--png", str(png), *args], capture_output=True,
                          text=True, env=env, cwd=tmp_path, timeout=240)
    assert proc.returncode == 0, proc.stdout + proc.stderr
    return proc.stdout, png


def printed_factors(out):
    return {m.group(1): float(m.group(2)) for m in re.finditer(r"^\s+(Tsai-Wu|Puck|LaRC05)\s+([0-9.]+)\s",
                                                                 out, re.M)}


def printed_abd(out):
    block = out.split("ABD matrix")[1].split("\n\n")[0]
    rows = re.findall(r"\[+([^\[\]]+)\]", block)
    return np.array([[float(v) for v in r.split()] for r in rows])


def reduced_stiffness(e1, e2, nu12, g12):
    nu21 = nu12 * e2 / e1
    d = 1.0 - nu12 * nu21
    return np.array([[e1 / d, nu12 * e2 / d, 0.0], [nu12 * e2 / d, e2 / d, 0.0], [0.0, 0.0, g12]])


def stress_rotation(deg):
    """Laminate-axes stress (x, y, xy) into ply axes (1, 2, 12)."""
    c, s = np.cos(np.radians(deg)), np.sin(np.radians(deg))
    return np.array([[c * c, s * s, 2 * c * s], [s * s, c * c, -2 * c * s], [-c * s, c * s, c * c - s * s]])


def clt_ply_stresses(angles, t, load, q):
    """Ply-axes stresses of a symmetric laminate under a membrane load: A from the rotated
    reduced stiffnesses, mid-plane strain A^-1 N, then each ply's stress."""
    # Engineering-shear strain rotation: R^-T for the strain of the stress rotation R.
    qbars = []
    for a in angles:
        tr = stress_rotation(a)
        reuter = np.diag([1.0, 1.0, 2.0])
        qbars.append(np.linalg.inv(tr) @ q @ reuter @ tr @ np.linalg.inv(reuter))
    a_matrix = sum(qb * t for qb in qbars)
    eps0 = np.linalg.solve(a_matrix, load)
    return a_matrix, [stress_rotation(a) @ (qb @ eps0) for a, qb in zip(angles, qbars)]


def tsai_wu_factor(stresses, xt=XT, xc=XC, yt=YT, yc=YC, s12=S12):
    """Smallest lambda with F1 s1 + F2 s2 scaled by lambda plus the quadratic terms by lambda^2
    reaching 1 (no interaction term)."""
    f1, f2 = 1 / xt - 1 / xc, 1 / yt - 1 / yc
    f11, f22, f66 = 1 / (xt * xc), 1 / (yt * yc), 1 / s12 ** 2
    lams = []
    for s1, s2, t12 in stresses:
        b = f1 * s1 + f2 * s2
        a = f11 * s1 ** 2 + f22 * s2 ** 2 + f66 * t12 ** 2
        lams.append((-b + np.sqrt(b * b + 4 * a)) / (2 * a))
    return min(lams)


def puck_factor(stresses, xt=XT, xc=XC, yt=YT, yc=YC, s12=S12, p=(0.3, 0.2, 0.15, 0.15)):
    """Puck in plane stress: fibre failure by maximum stress, inter-fibre failure as the largest
    action-plane exposure over the planes through the fibre (a fine scan of the angle), with the
    inclination parameters p = (p_TL(+), p_TL(-), p_TT(+), p_TT(-)) and the fracture resistance
    R_TT = YC / (2 (1 + p_TT(-))). The exposure is linear in the load: lambda = 1 / max."""
    r_tt = yc / (2.0 * (1.0 + p[3]))
    theta = np.linspace(0.0, np.pi, 36001)
    c, s = np.cos(theta), np.sin(theta)
    worst = 0.0
    for s1, s2, t12 in stresses:
        ff = s1 / xt if s1 >= 0 else -s1 / xc
        tn, tl, tt = s2 * s * s, -t12 * s, -s2 * s * c
        w = tt ** 2 + tl ** 2
        cos2 = np.divide(tt ** 2, w, out=np.zeros_like(w), where=w > 0)
        pt = p[2] / r_tt * cos2 + p[0] / s12 * (1 - cos2)
        pc = p[3] / r_tt * cos2 + p[1] / s12 * (1 - cos2)
        tension = np.sqrt(((1 / yt - pt) * tn) ** 2 + (tt / r_tt) ** 2 + (tl / s12) ** 2) + pt * tn
        compression = np.sqrt((tt / r_tt) ** 2 + (tl / s12) ** 2 + (pc * tn) ** 2) + pc * tn
        iff = np.where(tn >= 0, tension, compression).max()
        worst = max(worst, ff, iff)
    return 1.0 / worst


def qi_layup():
    return [0.0, 45.0, -45.0, 90.0, 90.0, -45.0, 45.0, 0.0]


def test_laminate_failure_example_matches_lamination_theory(tmp_path):
    out, png = run_example(tmp_path)
    # The envelope picture is written as a PNG of a sensible size.
    data = png.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n" and len(data) > 20000
    import matplotlib.image
    assert matplotlib.image.imread(str(png)).shape[0] > 400

    q = reduced_stiffness(E1, E2, NU12, G12)
    load = np.array([100.0, -50.0, 0.0])
    a_matrix, stresses = clt_ply_stresses(qi_layup(), 0.125, load, q)
    np.testing.assert_allclose(printed_abd(out)[:3, :3], a_matrix, atol=0.06)
    # Quasi-isotropic: Ex = Ey = (A11^2 - A12^2) / (A11 h).
    ex = (a_matrix[0, 0] ** 2 - a_matrix[0, 1] ** 2) / a_matrix[0, 0]
    m = re.search(r"Ex (\d+)\s+Ey (\d+)\s+Gxy (\d+) MPa\s+nu_xy ([0-9.]+)", out)
    assert abs(float(m.group(1)) - ex) <= 0.5 and abs(float(m.group(2)) - ex) <= 0.5
    assert abs(float(m.group(3)) - a_matrix[2, 2]) <= 0.5
    assert abs(float(m.group(4)) - a_matrix[0, 1] / a_matrix[0, 0]) <= 1e-4

    factors = printed_factors(out)
    assert set(factors) == {"Tsai-Wu", "Puck", "LaRC05"}
    assert factors["Tsai-Wu"] == pytest.approx(tsai_wu_factor(stresses), rel=2e-6)
    # The library's Puck searches the fracture plane by golden section to a bracket of 5 degrees.
    assert factors["Puck"] == pytest.approx(puck_factor(stresses), rel=3e-4)
    # Transverse tension of the 90-degree plies governs; LaRC05 then reduces to s22 = YT.
    lam_yt = YT / max(s[1] for s in stresses)
    assert factors["LaRC05"] == pytest.approx(lam_yt, rel=1e-4)


def test_laminate_failure_example_options(tmp_path):
    """Another material card, layup and load, with shear: the options reach the analysis. The
    plies fail in transverse compression with shear (Puck's fracture-plane modes B and C)."""
    card = tmp_path / "my_material.tvk"
    card.write_text(textwrap.dedent("""\
        ++Begin Material, MatID=7
        +Elastic
        140000.0, 9000.0, 0.3, 0.45, 4600.0
        +Strength
        2000.0, 50.0, 50.0, 1200.0, 180.0, 180.0, 90.0, 90.0, 60.0, 90.0
        ++End Material
        """))
    out, png = run_example(tmp_path, "--material", str(card), "--matid", "7", "--layup", "0,30,-30s",
                           "--thickness", "0.2", "--load=-10,-100,30", "--directions", "12")
    assert png.stat().st_size > 10000
    assert "[0/30/-30/-30/30/0]" in out and "h = 1.2 mm" in out
    q = reduced_stiffness(140000.0, 9000.0, 0.3, 4600.0)
    _, stresses = clt_ply_stresses([0, 30, -30, -30, 30, 0], 0.2, np.array([-10.0, -100.0, 30.0]), q)
    factors = printed_factors(out)
    assert factors["Tsai-Wu"] == pytest.approx(
        tsai_wu_factor(stresses, 2000.0, 1200.0, 50.0, 180.0, 90.0), rel=2e-6)
    assert factors["Puck"] == pytest.approx(puck_factor(stresses, xt=2000.0, xc=1200.0, yt=50.0, yc=180.0,
                                                        s12=90.0), rel=3e-4)


def test_envelope_picture_names_its_laminate_and_shows_every_failure_point_beside_a_clear_legend():
    """Each criterion's failure marker takes its envelope's colour; markers at one point (Puck and
    LaRC05 at the same factor) differ in shape or size, so both show; the legend lies outside the
    axes; the title names the layup and the material."""
    import importlib.util
    import matplotlib.pyplot as plt
    from matplotlib.colors import to_rgba

    spec = importlib.util.spec_from_file_location("laminate_failure_example", EXAMPLE)
    example = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(example)
    t = np.linspace(0.0, 2.0 * np.pi, 9)
    envelopes = {"Tsai-Wu": 300.0, "Puck": 200.0, "LaRC05": 250.0}
    envelopes = {n: r * np.column_stack([np.cos(t), np.sin(t)]) for n, r in envelopes.items()}
    factors, load = {"Tsai-Wu": 1.2, "Puck": 1.424, "LaRC05": 1.424}, np.array([100.0, -50.0, 0.0])
    title = example.envelope_title("0,45,-45,90s", 8, 0.125, 1, None)
    assert title.splitlines()[1] == "[0/45/-45/90]s, 8 plies of 0.125 mm, T300/BSL914C (material 1)"
    fig = example.envelope_figure(envelopes, load, factors, title)
    try:
        ax = fig.axes[0]
        colour = {n: to_rgba(line.get_color()) for line in ax.lines for n, pts in envelopes.items()
                  if np.array_equal(line.get_xdata(), pts[:, 0])}
        points = {n: line for line in ax.lines for n, lam in factors.items() if len(line.get_xdata()) == 1
                  and np.allclose(line.get_xydata()[0], lam * load[:2]) and to_rgba(line.get_mec()) == colour[n]}
        assert set(points) == set(factors) and ax.get_title() == title
        assert len({(points[n].get_marker(), points[n].get_markersize()) for n in ("Puck", "LaRC05")}) == 2
        assert all(to_rgba(line.get_mfc())[3] == 0.0 for line in points.values())  # open shapes
        fig.canvas.draw()
        legend = ax.get_legend().get_window_extent()
        assert not legend.overlaps(ax.get_window_extent()) and legend.x1 <= fig.bbox.x1
    finally:
        plt.close(fig)


def test_laminate_failure_example_run_twice_in_one_interpreter_reads_each_layup_alone(tmp_path, capsys, monkeypatch):
    """As a notebook or a loop over lay-ups runs it: main of a thick lay-up, then of a thinner one,
    in one interpreter. The second run has its own plies and the ABD of lamination theory."""
    import importlib.util

    monkeypatch.setenv("MPLBACKEND", "Agg")
    monkeypatch.chdir(tmp_path)
    spec = importlib.util.spec_from_file_location("laminate_failure_twice", EXAMPLE)
    example = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(example)
    q = reduced_stiffness(E1, E2, NU12, G12)
    load = np.array([100.0, -50.0, 0.0])
    for layup, angles in (("0,45,-45,90s", qi_layup()), ("0,90s", [0.0, 90.0, 90.0, 0.0])):
        assert example.main(["--layup", layup, "--directions", "4", "--png", str(tmp_path / "e.png")]) == 0
        out = capsys.readouterr().out
        assert f"Layup [{'/'.join(f'{a:g}' for a in angles)}], {len(angles)} plies" in out
        abd = printed_abd(out)
        a_matrix, _ = clt_ply_stresses(angles, 0.125, load, q)
        assert abd.shape == (6, 6) and np.isfinite(abd).all()
        np.testing.assert_allclose(abd[:3, :3], a_matrix, atol=0.06)


def test_laminate_failure_example_refuses_a_material_it_cannot_find(tmp_path):
    env = dict(os.environ, MPLBACKEND="Agg")
    proc = subprocess.run([sys.executable, EXAMPLE, "--material", str(tmp_path / "none.tvk")],
                          capture_output=True, text=True, env=env, cwd=tmp_path, timeout=60)
    assert proc.returncode != 0 and "no material card" in proc.stderr
    card = tmp_path / "other.tvk"
    card.write_text("++Begin Material, MatID=3\n+Elastic\n70000.0, 0.3\n++End Material\n")
    proc = subprocess.run([sys.executable, EXAMPLE, "--material", str(card)],
                          capture_output=True, text=True, env=env, cwd=tmp_path, timeout=60)
    # The material card reader names the material the section card gives and the card does not.
    assert proc.returncode != 0 and "material 1 of section 1 given by no material block" in proc.stderr


def test_error_stop_of_each_example_prints_the_level_the_record_held():
    import importlib.util
    import _tolvek
    eh = _tolvek.errorhandling
    names = np.full((8, 1), 32, dtype=np.int32)
    for path in (EXAMPLE, os.path.join(ROOT, "examples", "progressive_damage.py")):
        spec = importlib.util.spec_from_file_location("example_error_stop", path)
        example = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(example)
        for level in (-1, -2, -3):
            eh.rsxerr(1)
            eh.xerr(level, b"Warning: a recorded problem.", [1], [0.5], names, pyerr=1)
            with pytest.raises(SystemExit) as stop:
                example.check_error_record("reading the cards")
            assert str(stop.value) == f"reading the cards: Warning: a recorded problem. (level {level})"
            assert int(eh.errstat) == 0  # the record is cleared for the next call


PROGRESSIVE = os.path.join(ROOT, "examples", "progressive_damage.py")


def damage_sequence(out):
    """(strain, ply, angle, mode) of every printed damage event, strain as a fraction."""
    rows = re.findall(r"^\s+([0-9.]+)\s+([0-9.]+)\s+(\d+)\s+(-?\d+)\s+(inter-fibre|fibre)", out, re.M)
    return [(float(e) / 100.0, int(p), float(a), "matrix" if m == "inter-fibre" else "fibre") for e, _, p, a, m in rows]


def test_progressive_damage_example_matches_lamination_theory(tmp_path):
    """The job runs through the solver routines; the first-ply failure strain is that of the
    undamaged laminate, the second failure that of the laminate whose 90-degree plies carry only
    their fibre stiffness, and final failure comes with the fibres of the 0-degree plies."""
    env = dict(os.environ, MPLBACKEND="Agg")
    png = tmp_path / "curve.png"
    proc = subprocess.run([sys.executable, PROGRESSIVE, "--png", str(png)], capture_output=True, text=True,
                          env=env, cwd=tmp_path, timeout=240)
    assert proc.returncode == 0, proc.stdout + proc.stderr
    out = proc.stdout
    data = png.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n" and len(data) > 20000
    # No file of the job is left behind in the working folder.
    assert sorted(p.name for p in tmp_path.iterdir()) == ["curve.png"]

    layup = qi_layup()
    q = reduced_stiffness(E1, E2, NU12, G12)
    unit = np.array([1.0, 0.0, 0.0])            # Nx = 1 N/mm, Ny = Nxy = 0
    a_matrix, stresses = clt_ply_stresses(layup, 0.125, unit, q)
    strain_per_load = np.linalg.solve(a_matrix, unit)[0]
    fpf = puck_factor(stresses) * strain_per_load
    m = re.search(r"First-ply failure at a strain of ([0-9.e+-]+) \(ply (\d), (\w+)\)", out)
    assert m, out
    # The library's Puck searches the fracture plane by golden section to a bracket of 5 degrees.
    assert float(m.group(1)) == pytest.approx(fpf, rel=3e-4)
    assert layup[int(m.group(2)) - 1] == 90.0 and m.group(3) == "matrix"
    # Transverse tension of the 90-degree plies: their s22 reaches YT.
    assert max(s[1] for s in stresses) * puck_factor(stresses) == pytest.approx(YT, rel=1e-6)

    events = damage_sequence(out)
    assert [(p, a, mode) for _, p, a, mode in events] == [
        (4, 90, "matrix"), (5, 90, "matrix"), (2, 45, "matrix"), (3, -45, "matrix"), (6, -45, "matrix"),
        (7, 45, "matrix"), (1, 0, "fibre"), (8, 0, "fibre")]
    assert events[0][0] == pytest.approx(fpf, rel=3e-4)

    # After the matrix cracks the 90-degree plies keep only their stiffness along the fibres.
    cracked = np.zeros((3, 3))
    cracked[0, 0] = q[0, 0]
    reuter = np.diag([1.0, 1.0, 2.0])
    qbars = []
    for angle in layup:
        tr = stress_rotation(angle)
        qply = cracked if angle == 90.0 else q
        qbars.append(np.linalg.inv(tr) @ qply @ reuter @ tr @ np.linalg.inv(reuter))
    a_cracked = 0.125 * sum(qbars)
    eps = np.linalg.solve(a_cracked, unit)
    angled = [stress_rotation(a) @ (qb @ eps) for a, qb in zip(layup, qbars) if abs(a) == 45.0]
    second = puck_factor(angled) * eps[0]
    assert second > fpf
    for strain, _, angle, _ in events[2:6]:
        assert strain == pytest.approx(second, rel=3e-4)
    # Final failure: the 0-degree plies reach XT along the fibres, near XT / E1.
    m = re.search(r"Final failure at a strain of ([0-9.e+-]+)", out)
    assert m and float(m.group(1)) == pytest.approx(events[-1][0], rel=1e-5)
    assert float(m.group(1)) == pytest.approx(XT / E1, rel=5e-3)
