"""First-ply failure of a quasi-isotropic carbon/epoxy laminate under a membrane load.

The laminate is described the way a solver job describes it: a section card (layup) and a
material card (ply elastic constants and strengths) in a job folder, read into the model-data
tables by the library's card readers. From those tables the example

  1. builds the ABD matrix and the laminate engineering constants (classical lamination theory),
  2. applies a membrane load (Nx, Ny, Nxy) and recovers each ply's stresses in its own axes,
  3. evaluates each ply's exposure under three criteria through the failure dispatchers, reading
     the strengths and elastic constants from the `materialdata` tables as a material routine does:
     the Tsai-Wu polynomial, Puck (fibre failure by maximum stress, inter-fibre failure on the
     fracture plane) and LaRC05 (fibre kinking/tension, matrix cracking on the fracture plane),
  4. finds the first-ply failure load factor of each criterion with the library's Brent root finder,
  5. traces the first-ply failure envelope in the Nx-Ny plane for the three criteria and writes it
     as a PNG.

Built-in data: the T300/BSL914C unidirectional ply in a [0/45/-45/90]s laminate of 0.125 mm plies,
units N, mm, MPa (loads in N/mm). Options:

  --material FILE   a material card (MaterialCard grammar) to read instead of the built-in ply;
                    the layup takes the material id given by --matid (default 1)
  --layup ANGLES    ply angles in degrees from the bottom, comma-separated; a trailing "s" mirrors
                    them (default "0,45,-45,90s")
  --thickness T     ply thickness in mm (default 0.125)
  --load NX,NY,NXY  membrane load in N/mm (default "100,-50,0"; write --load=-100,... for a
                    negative first value)
  --png PATH        where the envelope is written (default laminate_failure.png)
  --directions N    load directions of the envelope (default 120)

Run with the build's python folder on PYTHONPATH (scripts/run.sh example does this).
"""
import argparse
import os
import sys
import tempfile

import numpy as np

import _tolvek as tvk

# T300/BSL914C unidirectional ply. Elastic: E1, E2, nu12, nu23, G12 (the transversely isotropic
# five-value form; G23 follows from E2 and nu23). Strengths in the ply strength vector order
# xt11, xt22, xt33, xc11, xc22, xc33, x12, x13, x23, interlaminar shear strength. The transverse
# shear strength x23 is not a measured value: it is the one the fracture-plane criteria imply for
# a fracture angle of 53 degrees in transverse compression, YC cos(53)(sin(53) + cos(53)/tan(106)).
BUILTIN_MATERIAL = """\
** T300/BSL914C unidirectional ply (N, mm, MPa)
++Begin Material, MatID={matid}
+Elastic
138000.0, 11000.0, 0.28, 0.4, 5500.0
+Strength
1500.0, 27.0, 27.0, 900.0, 200.0, 200.0, 80.0, 80.0, 75.3, 80.0
++End Material
"""

SECTION_CARD = """\
++Begin Section, SecID=1
+Material
{matid}
+Orientation
{angles}
+Thickness
{thickness}
++End Section
"""

# The three criteria, each as the dispatcher calls whose largest exposure it is: (mode, selector).
# general 8: Tsai-Wu polynomial (no interaction terms); fibre 1: maximum stress along the fibres;
# matrix 9: Puck inter-fibre failure; fibre 13 and matrix 15: LaRC05.
CRITERIA = {
    "Tsai-Wu": (("general", 8),),
    "Puck": (("fibre", 1), ("matrix", 9)),
    "LaRC05": (("fibre", 13), ("matrix", 15)),
}
MODE_NAMES = {"general": "ply", "fibre": "FF", "matrix": "IFF"}


def parse_layup(text):
    """Ply angles from "0,45,-45,90s": a trailing s mirrors the listed plies."""
    text = text.strip()
    symmetric = text.lower().endswith("s")
    if symmetric:
        text = text[:-1]
    angles = [float(a) for a in text.replace("/", ",").split(",") if a.strip()]
    if not angles:
        raise SystemExit("the layup lists no ply")
    return angles + angles[::-1] if symmetric else angles


def parse_load(text):
    values = [float(v) for v in text.split(",")]
    if len(values) != 3:
        raise SystemExit("the load needs three values: Nx,Ny,Nxy")
    return np.array(values)


def check_error_record(what):
    """Stops the example with the library's message when a call recorded a problem."""
    eh = tvk.errorhandling
    if int(eh.errstat) != 0:
        message = eh.errstring[()].decode().strip()
        level = int(eh.errstat)  # read before the record is cleared
        eh.rsxerr(1)
        raise SystemExit(f"{what}: {message} (level {level})")


def read_cards(angles, thickness, matid, material_file):
    """Writes the job's cards into a temporary job folder and reads them into the model tables."""
    with tempfile.TemporaryDirectory() as job:
        with open(os.path.join(job, "SectionCard.tvk"), "w") as f:
            f.write(SECTION_CARD.format(matid=matid, angles=", ".join(f"{a:g}" for a in angles),
                                        thickness=f"{thickness:g}"))
        if material_file is None:
            with open(os.path.join(job, "MaterialCard.tvk"), "w") as f:
                f.write(BUILTIN_MATERIAL.format(matid=matid))
            fallback = job
        else:
            # Without a MaterialCard.tvk in the job folder the reader opens its fallback file.
            fallback = os.path.abspath(material_file)
            if not os.path.isfile(fallback):
                raise SystemExit(f"no material card at {material_file}")
        io = tvk.iohandling
        io.getsectiondatafromfile(fallback, job)
        sd = tvk.sectiondata
        io.getmaterialdatafromfile(fallback, job, int(sd.nplies), int(sd.nsec))
    check_error_record("reading the cards")
    if tvk.materialdata.peprops is None or not np.any(tvk.materialdata.peprops[:9, :, 0]):
        raise SystemExit(f"material {matid} has no elastic constants in the material card")


class Laminate:
    """The section's plies as the model tables hold them (section 1)."""

    def __init__(self):
        md, sd = tvk.materialdata, tvk.sectiondata
        self.nplies = int(sd.nplies)
        self.angles = np.array(sd.plyorientation[:, 0])
        self.thickness = np.array(sd.plythickness[:, 0])
        self.h = float(self.thickness.sum())
        # The dispatchers' fixed-row views of the model tables: the first temperature block.
        self.peprops = np.asfortranarray(md.peprops[:9])
        self.psprops = np.asfortranarray(md.psprops[:10])
        self.pdprops = np.asfortranarray(md.pdprops)
        self.orientation = np.asfortranarray(sd.plyorientation)
        plyelastic = np.asfortranarray(self.peprops[:, :, 0])
        lam = tvk.laminate
        a = lam.getamatrix(plyelastic, self.angles, self.thickness)
        b = lam.getbmatrix(plyelastic, self.angles, self.thickness)
        d = lam.getdmatrix(plyelastic, self.angles, self.thickness)
        self.abd = lam.getabdmatrix(a, b, d)
        self.abd_inverse = tvk.math.matrixinverse(self.abd)
        self.engineering = lam.getengconstsfromabdmatrix(self.abd, self.h)
        # Plane-stress on-axis stiffness (11, 22, 12) of each ply.
        self.q = [tvk.lamina.getnyestiffnessmatrix(self.peprops[:, k, 0], 3) for k in range(self.nplies)]
        check_error_record("laminate stiffness")

    def ply_stresses(self, load):
        """Stress of every ply in its own axes, Nye order (11, 22, 33, 12, 13, 23), for a membrane
        load (Nx, Ny, Nxy): mid-plane strain and curvature from the ABD compliance, the ply
        strains in ply axes, then the plane-stress ply stiffness."""
        se = self.abd_inverse @ np.concatenate([load, np.zeros(3)])
        strain = tvk.laminate.getsectionstrain(se, self.angles, self.thickness)
        stresses = np.zeros((6, self.nplies))
        for k in range(self.nplies):
            s11, s22, s12 = self.q[k] @ strain[:, 3 * k + 1]  # mid-ply strain
            stresses[[0, 1, 3], k] = s11, s22, s12
        return stresses

    def exposure(self, stress, layer, mode, selector):
        """One dispatcher call on ply `layer` (1-based) of section 1."""
        dmg = tvk.damage
        if mode == "general":
            _, r = dmg.generalfailure(stress, self.psprops, self.orientation, layer, 1, selector)
        elif mode == "fibre":
            _, r = dmg.fiberbreakage(stress, self.peprops, self.psprops, self.orientation, layer, 1, selector)
        else:
            _, r, _ = dmg.matrixcracking(stress, self.peprops, self.psprops, self.pdprops, self.orientation,
                                         layer, 1, selector)
        return r

    def criterion(self, name, stresses):
        """Exposure and failing mode of every ply under one criterion."""
        result = []
        for k in range(self.nplies):
            r = [(self.exposure(stresses[:, k], k + 1, mode, sel), MODE_NAMES[mode])
                 for mode, sel in CRITERIA[name]]
            result.append(max(r))
        check_error_record(f"{name} exposure")
        return result

    def first_ply_failure(self, name, load):
        """Load factor lambda at which the most exposed ply of the criterion reaches 1 under
        lambda * load, by Brent's method on max exposure - 1 (bracket grown by doubling)."""
        def excess(lam):
            return max(r for r, _ in self.criterion(name, self.ply_stresses(lam * load))) - 1.0

        upper = 1.0
        while excess(upper) < 0.0:
            upper *= 2.0
            if upper > 1e12:
                return np.inf
        lower = upper / 2.0
        while excess(lower) >= 0.0:
            lower /= 2.0
            if lower < 1e-12:
                return 0.0
        root, istat = tvk.math.bdsafe(excess, lower, upper, [0.0], 1e-10 * upper, 200, 0)
        check_error_record(f"{name} first-ply failure")
        return root


def envelope(laminate, name, directions):
    """First-ply failure loads (Nx, Ny) along `directions` load paths of the Nx-Ny plane."""
    theta = np.linspace(0.0, 2.0 * np.pi, directions + 1)
    points = []
    for t in theta:
        unit = np.array([np.cos(t), np.sin(t), 0.0])
        points.append(laminate.first_ply_failure(name, unit) * unit[:2])
    return np.array(points)


def layup_label(text):
    """The layup as written on a drawing: "0,45,-45,90s" gives [0/45/-45/90]s."""
    text = text.strip()
    symmetric = text.lower().endswith("s")
    angles = parse_layup(text[:-1] if symmetric else text)
    return "[" + "/".join(f"{a:g}" for a in angles) + "]" + ("s" if symmetric else "")


def envelope_title(layup, nplies, thickness, matid, material_file):
    """The picture's title: what it shows, the layup and the material."""
    material = (f"T300/BSL914C (material {matid})" if material_file is None
                else f"material {matid} of {os.path.basename(material_file)}")
    return f"First-ply failure envelope (Nxy = 0)\n{layup_label(layup)}, {nplies} plies of {thickness:g} mm, {material}"


# Each criterion's colour, line style and failure marker. The markers are open shapes of
# decreasing size around one centre, so that failure points that coincide (Puck and LaRC05 give
# the same factor when transverse tension governs) all stay visible.
STYLES = {
    "Tsai-Wu": dict(color="tab:blue", ls="-", marker="o", ms=14),
    "Puck": dict(color="tab:orange", ls="--", marker="s", ms=9),
    "LaRC05": dict(color="tab:green", ls="-.", marker="x", ms=6),
}


def envelope_figure(envelopes, load, failure_loads, title):
    """The envelopes of the criteria, each with its first-ply failure point on the load path."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    from matplotlib.lines import Line2D

    fig, ax = plt.subplots(figsize=(9.5, 6.5))
    handles = []
    for name, pts in envelopes.items():
        style = STYLES.get(name, dict(color=None, ls="-", marker="+", ms=8))
        line, = ax.plot(pts[:, 0], pts[:, 1], ls=style["ls"], color=style["color"], lw=1.8)
        colour = line.get_color()
        marker = dict(marker=style["marker"], mfc="none", mec=colour, mew=2)
        lam = failure_loads.get(name, np.inf)
        if np.isfinite(lam):
            ax.plot(*(lam * load[:2]), ls="none", ms=style["ms"], zorder=3, **marker)
            label = f"{name}: first-ply failure at {lam:.3f} x load"
        else:
            label = f"{name}: no ply fails along the load path"
        # The legend entry shows the envelope's line with its failure marker.
        handles.append(Line2D([], [], ls=style["ls"], color=colour, lw=1.8, ms=min(style["ms"], 9),
                              label=label, **marker))
    # The envelope holds Nxy = 0; a load with shear is shown by its (Nx, Ny) part.
    off_plane = " (its Nx, Ny)" if load[2] != 0.0 else ""
    # The load path, from the origin through the applied load to the last failure point on it.
    reach = max([1.0] + [lam for lam in failure_loads.values() if np.isfinite(lam)])
    ax.plot([0, reach * load[0]], [0, reach * load[1]], "k:", lw=1)
    handles += ax.plot(*load[:2], "ko", ms=5, label=f"applied load{off_plane}")
    ax.axhline(0.0, color="0.7", lw=0.6)
    ax.axvline(0.0, color="0.7", lw=0.6)
    ax.set_xlabel("Nx [N/mm]")
    ax.set_ylabel("Ny [N/mm]")
    ax.set_title(title, fontsize=10)
    ax.set_aspect("equal", adjustable="datalim")
    ax.grid(True, lw=0.3)
    # The legend beside the axes, never over the curves.
    ax.legend(handles=handles, fontsize=8, loc="upper left", bbox_to_anchor=(1.02, 1.0), borderaxespad=0.0)
    fig.tight_layout()
    return fig


def plot(envelopes, load, failure_loads, title, path):
    import matplotlib.pyplot as plt

    fig = envelope_figure(envelopes, load, failure_loads, title)
    fig.savefig(path, dpi=120)
    plt.close(fig)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--material", help="material card to read instead of the built-in ply")
    parser.add_argument("--matid", type=int, default=1, help="material id of the plies (default 1)")
    parser.add_argument("--layup", default="0,45,-45,90s", help='ply angles, "s" mirrors (default "0,45,-45,90s")')
    parser.add_argument("--thickness", type=float, default=0.125, help="ply thickness in mm")
    parser.add_argument("--load", default="100,-50,0", help="membrane load Nx,Ny,Nxy in N/mm")
    parser.add_argument("--png", default="laminate_failure.png", help="envelope picture")
    parser.add_argument("--directions", type=int, default=120, help="load directions of the envelope")
    args = parser.parse_args(argv)

    angles = parse_layup(args.layup)
    load = parse_load(args.load)
    if not args.thickness > 0.0:
        raise SystemExit("the ply thickness must be positive")
    if args.directions < 4:
        raise SystemExit("the envelope needs at least 4 load directions")
    tvk.datahandling.deallocall()
    read_cards(angles, args.thickness, args.matid, args.material)
    lam = Laminate()

    np.set_printoptions(precision=1, suppress=True, linewidth=120)
    e = lam.peprops[:, 0, 0]
    print(f"Ply (material {args.matid}): E1 {e[0]:g}  E2 {e[1]:g}  E3 {e[2]:g}  nu12 {e[3]:g}  nu13 {e[4]:g}  "
          f"nu23 {e[5]:g}  G12 {e[6]:g}  G13 {e[7]:g}  G23 {e[8]:.4g} MPa")
    s = lam.psprops[:, 0, 0]
    print(f"Strengths: XT {s[0]:g}  XC {s[3]:g}  YT {s[1]:g}  YC {s[4]:g}  S12 {s[6]:g}  S23 {s[8]:g} MPa")
    print(f"Layup [{'/'.join(f'{a:g}' for a in lam.angles)}], {lam.nplies} plies, h = {lam.h:g} mm")
    print("\nABD matrix (A in N/mm, B in N, D in N mm):")
    print(lam.abd)
    ex, ey, gxy, nuxy = lam.engineering[:4]
    print(f"\nLaminate engineering constants: Ex {ex:.0f}  Ey {ey:.0f}  Gxy {gxy:.0f} MPa  nu_xy {nuxy:.4f}")

    stresses = lam.ply_stresses(load)
    print(f"\nMembrane load Nx {load[0]:g}  Ny {load[1]:g}  Nxy {load[2]:g} N/mm")
    names = list(CRITERIA)
    exposures = {name: lam.criterion(name, stresses) for name in names}
    header = "".join(f"{name:>16s}" for name in names)
    print(f"\n ply  angle     s11      s22      s12 [MPa]   exposure:{header}")
    for k in range(lam.nplies):
        shown = np.where(np.abs(stresses[:, k]) < 5e-3, 0.0, stresses[:, k])  # no "-0.00"
        cells = "".join(f"{exposures[n][k][0]:11.4f} {exposures[n][k][1]:>4s}" for n in names)
        print(f"{k + 1:4d} {lam.angles[k]:6g} {shown[0]:8.2f} {shown[1]:8.2f} {shown[3]:8.2f}"
              f"{'':13s}{cells}")

    print("Tsai-Wu and Puck give stress exposures (the ply fails at load / exposure); the LaRC05\n"
          "matrix and kinking measures are failure indices, not proportional to the load.")
    print("\nFirst-ply failure load factor (load x factor reaches exposure 1):")
    factors = {}
    for name in names:
        factors[name] = lam.first_ply_failure(name, load)
        if not np.isfinite(factors[name]):
            print(f"  {name:8s} none: no ply fails along this load path")
            continue
        critical = int(np.argmax([r for r, _ in lam.criterion(name, lam.ply_stresses(factors[name] * load))]))
        print(f"  {name:8s} {factors[name]:.6f}   (ply {critical + 1}, {lam.angles[critical]:g} deg)")

    envelopes = {name: envelope(lam, name, args.directions) for name in names}
    plot(envelopes, load, factors, envelope_title(args.layup, lam.nplies, args.thickness, args.matid, args.material),
         args.png)
    print(f"\nFirst-ply failure envelope written to {args.png}")
    tvk.datahandling.deallocall()
    return 0


if __name__ == "__main__":
    sys.exit(main())
