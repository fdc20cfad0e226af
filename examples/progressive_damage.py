"""Progressive damage of a laminate point in tension, driven as a finite-element solver drives a job.

A solver analysis of a composite shell hands each ply of each integration point to the library's
user routines. This example plays the solver for one integration point of a [0/45/-45/90]s
T300/BSL914C shell (eight plies of 0.125 mm, one section point per ply) pulled along x, with the
transverse and shear membrane forces held at zero, from no load past first-ply failure to final
failure. It

  1. writes a job folder into a temporary directory, as a solver job leaves it: the input deck
     with its steps, the step, section, material and damage cards and the data listing of the
     element that holds the point (read with the library's listing reader: the point's
     coordinates and characteristic length come from it),
  2. starts the analysis through the analysis-control hook (`toplevel.uexternaldb_iocontrol`),
     which scans the deck for the step kinds and reads the four cards into the model tables,
  3. runs the steps increment by increment in the solver's order: the increment-start hook, the
     damage-field routine at every ply (`toplevel.usdfld_dmg`, failure criteria per damage mode
     on the ply stress of the last increment), the ply material routine in every equilibrium
     iteration (`toplevel.umat_lamina`, the ply stiffness from the material table, degraded from
     the failed flags that the field routine left in the ply's state variables), the
     increment-end hook, and at the end the release of every table,
  4. prints the damage sequence (which ply fails, in which mode, at which strain) and writes the
     laminate stress-strain curve with the failure events marked as a PNG.

The steps of the deck: an initialisation step, then per load level a loading step of kind
TVK_DIC, in which the ply routine takes the degraded stiffness (the field routine only reads
recorded damage there), and a checking step of the default kind, in which the field routine
evaluates the criteria (maximum stress for fibre failure, Puck for inter-fibre failure) on the
ply stresses of the loading step and raises the failed flags. Outside TVK_DIC steps the ply
routine keeps the ply elastic, so the checking steps' equilibrium is that of undamaged plies and
the curve is the loading steps' equilibrium. The onset strain of a failure is interpolated between
the last two checks (the exposures grow in proportion to the strain while the damage state holds).
Final failure is the fibre failure of the 0-degree plies; one more loading step shows the load
drop, and the analysis ends there.

Units N, mm, MPa. Options:

  --png PATH         where the stress-strain curve is written (default progressive_damage.png)
  --max-strain E     largest laminate strain of the load ramp (default 0.015)
  --levels N         load levels of the ramp (default 150)

Run with the build's python folder on PYTHONPATH (scripts/run.sh example does this).
"""
import argparse
import os
import sys
import tempfile

import numpy as np

import _tolvek as tvk

ANGLES = [0.0, 45.0, -45.0, 90.0, 90.0, -45.0, 45.0, 0.0]
THICKNESS = 0.125
NSTATV = 40          # the ply state vector: slot s is state variable s
NFIELD = 7           # failed flags of five modes, crack angle, crack-plane damage
ELEMENT = 101        # the shell element of the listing that holds the point

# Ply state slots (1-based) that the example reads back after each call.
FLAG_SLOTS = {"fibre": 8, "matrix": 9}
EXPOSURE_SLOTS = {"fibre": 14, "matrix": 15}
MODE_TEXT = {"fibre": "fibre failure (maximum stress)", "matrix": "inter-fibre failure (Puck)"}

STEP_CARD = """\
++Begin Step, StpID=1
+Verbose
0
+Update, TYPE=INC
1
++End Step
"""

SECTION_CARD = """\
++Begin Section, SecID=1
+Material
1
+Orientation
{angles}
+Thickness
{thickness}
++End Section
"""

# T300/BSL914C: E1, E2, nu12, nu23, G12; strengths xt11 xt22 xt33 xc11 xc22 xc33 x12 x13 x23 and
# the interlaminar shear strength. Criteria per mode (general, fibre, matrix, delamination, core):
# none, maximum stress, Puck, none, none. The evolution flags hand the failed flags to the field
# variables.
MATERIAL_CARD = """\
++Begin Material, MatID=1
+Elastic
138000.0, 11000.0, 0.28, 0.4, 5500.0
+Strength
1500.0, 27.0, 27.0, 900.0, 200.0, 200.0, 80.0, 80.0, 75.3, 80.0
+Failure, TYPE=INITIATION
0, 1, 9, 0, 0
+Failure, TYPE=EVOLUTION
1, 1, 1, 0, 0
++End Material
"""

# Damage set 1 in the plane of the shell: its frame at the origin, no damaged region recorded yet
# (a measured or earlier recorded damage would be given here as half-extents per ply and mode).
DAMAGE_CARD = """\
++Begin Damage, DmgID=1
+Position
0.0, 0.0, 0.0, 0.0
++End Damage
"""

# The element of the point as the solver's data listing gives it: one four-node shell.
LISTING = f"""\
   Progressive damage example: one shell element

                           E L E M E N T   D E F I N I T I O N S

    NUMBER  TYPE  PROPERTY   NODES FORMING ELEMENT
                  REFERENCE

       {ELEMENT:3d}  S4R          1         1         2         3         4


                              N O D E   D E F I N I T I O N S

    NODE          COORDINATES
    NUMBER

         1       0.00000       0.00000       0.00000
         2      10.00000       0.00000       0.00000
         3      10.00000      10.00000       0.00000
         4       0.00000      10.00000       0.00000

          END OF NODE DEFINITIONS
"""


def deck(levels):
    """The input deck: an initialisation step, then a loading (TVK_DIC) and a checking step (no
    keyword: the default kind) per load level."""
    lines = ["*Heading", " Laminate point in tension, progressive damage", "*Step, name=SETUP, TVK_INITIALIZATION",
             "*End Step"]
    for k in range(1, levels + 1):
        lines += [f"*Step, name=LOAD-{k:03d}, TVK_DIC", "*End Step", f"*Step, name=CHECK-{k:03d}", "*End Step"]
    return "\n".join(lines) + "\n"


def write_job(folder, levels):
    files = {"job.inp": deck(levels), "job.dat": LISTING, "StepCard.tvk": STEP_CARD,
             "SectionCard.tvk": SECTION_CARD.format(angles=", ".join(f"{a:g}" for a in ANGLES),
                                                    thickness=f"{THICKNESS:g}"),
             "MaterialCard.tvk": MATERIAL_CARD, "DamageCard.tvk": DAMAGE_CARD}
    for name, text in files.items():
        with open(os.path.join(folder, name), "w") as f:
            f.write(text)


def check_error_record(what):
    """Stops the example with the library's message when a call recorded a problem."""
    eh = tvk.errorhandling
    if int(eh.errstat) != 0:
        message = eh.errstring[()].decode().strip()
        level = int(eh.errstat)
        eh.rsxerr(1)
        raise SystemExit(f"{what}: {message} (level {level})")


def to_ply(angle, strain):
    """Laminate strain (x, y, engineering xy) in the axes of a ply at `angle` degrees."""
    c, s = np.cos(np.radians(angle)), np.sin(np.radians(angle))
    return np.array([[c * c, s * s, c * s], [s * s, c * c, -c * s], [-2 * c * s, 2 * c * s, c * c - s * s]]) @ strain


def to_laminate(angle):
    """Matrix taking a ply-axes stress (11, 22, 12) into laminate axes (x, y, xy); its transpose
    takes a laminate strain into ply axes."""
    c, s = np.cos(np.radians(angle)), np.sin(np.radians(angle))
    return np.array([[c * c, s * s, -2 * c * s], [s * s, c * c, 2 * c * s], [c * s, -c * s, c * c - s * s]])


class Point:
    """The solver's side of one shell integration point: a section point per ply, each with its
    ply state vector, field variables and the strain of the last converged increment."""

    def __init__(self, coord, celent):
        self.nplies = len(ANGLES)
        self.h = THICKNESS * self.nplies
        self.statev = [np.zeros(NSTATV) for _ in ANGLES]
        self.field = [np.zeros(NFIELD) for _ in ANGLES]
        self.strain = np.zeros(3)            # laminate membrane strain, converged
        self.coord = coord
        self.frame = np.eye(3)               # the shell lies in the xy plane
        self.celent = celent

    def name(self, ply):
        # The material name carries the ply and the section the point belongs to.
        return f"T300_BSL914C_l@{ply}@_s@1@"

    def field_routine(self, kstep, kinc):
        """The damage-field routine at every section point, at the start of the increment."""
        for k in range(self.nplies):
            self.field[k], self.statev[k], _ = tvk.toplevel.usdfld_dmg(
                self.field[k], self.statev[k], 1.0, self.frame, self.frame, self.celent, np.zeros(2), 1.0,
                self.name(k + 1), "ORI", ELEMENT, 1, k + 1, 1, kstep, kinc, 2, 1, self.coord, 0, 0, 0, 0)
        check_error_record(f"damage field, step {kstep}")

    def material(self, strain, kstep, kinc):
        """The ply routine at every section point for the laminate strain `strain` (the converged
        strain plus the increment): the membrane force per unit width, the tangent A matrix and
        the section points' updated state vectors."""
        force, a, states = np.zeros(3), np.zeros((3, 3)), []
        dstrain = strain - self.strain
        for k, angle in enumerate(ANGLES):
            t = to_laminate(angle)
            stress, statev, ddsdde, *_ = tvk.toplevel.umat_lamina(
                np.zeros(3), self.statev[k], 0.0, 0.0, 0.0, 0.0, np.zeros(3), np.zeros(3), 0.0,
                t.T @ self.strain, t.T @ dstrain, np.zeros(2), 1.0, 20.0, 0.0, np.zeros(1), np.zeros(1),
                self.name(k + 1), 2, 1, np.array([1.0]), self.coord, np.eye(3), 1.0, self.celent, np.eye(3),
                np.eye(3), ELEMENT, 1, k + 1, 1, np.array([kstep, 1, 0, 0], dtype=np.int32), kinc)
            force += THICKNESS * (t @ stress)
            a += THICKNESS * (t @ ddsdde @ t.T)
            states.append(statev)
        check_error_record(f"ply routine, step {kstep}")
        return force, a, states

    def equilibrium(self, strain_x, kstep, kinc):
        """Newton iterations of the solver on the two free strains (y and xy) so that Ny and Nxy
        vanish at the prescribed strain along x; the ply states of the converged iteration are
        kept. Returns the laminate stress along x."""
        strain = self.strain.copy()
        strain[0] = strain_x
        for _ in range(20):
            force, a, states = self.material(strain, kstep, kinc)
            residual = force[1:]
            if np.all(np.abs(residual) <= 1e-10 * max(1.0, abs(force[0]))):
                break
            strain[1:] -= np.linalg.solve(a[1:, 1:], residual)
        else:
            raise SystemExit(f"no equilibrium in step {kstep}")
        self.strain, self.statev = strain, states
        return force[0] / self.h

    def flags(self):
        return {(k, mode): self.statev[k][slot - 1] for k in range(self.nplies) for mode, slot in FLAG_SLOTS.items()}

    def exposures(self):
        return {(k, mode): self.statev[k][slot - 1] for k in range(self.nplies)
                for mode, slot in EXPOSURE_SLOTS.items()}


def hook(lop, kstep=0, kinc=0, dtime=0.0):
    tvk.toplevel.uexternaldb_iocontrol(lop, 0, np.zeros(2), dtime, kstep, kinc)


def run(folder, levels, max_strain):
    """The analysis. Returns the curve (strain, stress of the loading steps) and the damage
    events (strain at onset, stress at that strain, ply, mode)."""
    jd = tvk.jobdata
    jd.jobfilepath = os.path.join(folder, "job")
    jd.joboutdir = folder
    hook(0)                                   # analysis start: deck scan, cards
    check_error_record("analysis start")
    kinds = list(jd.stepid)
    if kinds != [0] + [5, 1] * levels:
        raise SystemExit(f"unexpected step kinds {kinds[:5]} ...")

    # The data listing of the job: the element of the point and its nodes, read into the element
    # tables; the point lies at the element centre, its characteristic length is the edge of the
    # element's square.
    tvk.iohandling.getabqdatafromfile(os.path.join(folder, "job.dat"))
    check_error_record("data listing")
    ed, nd = tvk.elementdata, tvk.nodaldata
    if int(ed.nelem) != 1 or int(ed.elemlist[0]) != ELEMENT:
        raise SystemExit("the data listing does not hold the element of the point")
    nodes = np.array(nd.nodalcoords[:, :4, 0])
    point = Point(coord=nodes.mean(axis=1), celent=float(np.linalg.norm(nodes[:, 1] - nodes[:, 0])))
    strains, stresses, events = [0.0], [0.0], []
    failed = point.flags()
    last_exposure, last_strain = point.exposures(), 0.0
    final = None
    kstep = 1
    hook(1, kstep, 1)                         # the initialisation step: one increment, no load
    point.field_routine(kstep, 1)
    point.equilibrium(0.0, kstep, 1)
    hook(2, kstep, 1, 1.0)
    for level in range(1, levels + 1):
        strain_x = max_strain * level / levels
        kstep += 1                            # loading step: degraded plies, the strain raised
        hook(1, kstep, 1)
        point.field_routine(kstep, 1)
        stress = point.equilibrium(strain_x, kstep, 1)
        hook(2, kstep, 1, 1.0)
        strains.append(strain_x)
        stresses.append(stress)
        if final is not None:
            break                             # the load drop after final failure is shown
        kstep += 1                            # checking step: the criteria on these stresses
        hook(1, kstep, 1)
        point.field_routine(kstep, 1)
        point.equilibrium(strain_x, kstep, 1)
        hook(2, kstep, 1, 1.0)
        now, exposure = point.flags(), point.exposures()
        for key in sorted(now):
            if now[key] >= 1.0 and failed[key] < 1.0:
                # The exposure grows in proportion to the strain while the damage state holds:
                # the onset lies where the line between the last two checks reaches 1.
                r0, r1 = last_exposure[key], exposure[key]
                onset = last_strain + (1.0 - r0) / (r1 - r0) * (strain_x - last_strain) if r1 > r0 else strain_x
                onset = min(max(onset, last_strain), strain_x)
                events.append((onset, np.interp(onset, strains, stresses), key[0] + 1, key[1]))
                if key[1] == "fibre" and ANGLES[key[0]] == 0.0:
                    final = onset
        failed, last_exposure, last_strain = now, exposure, strain_x
    hook(3)                                   # analysis end: every table released
    check_error_record("analysis end")
    return np.array(strains), np.array(stresses), events, final


def plot(strains, stresses, events, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, ax = plt.subplots(figsize=(7.5, 5.5))
    ax.plot(100 * strains, stresses, "-", color="0.2", lw=1.6, label="laminate stress (loading steps)")
    markers = {"matrix": ("o", "tab:blue"), "fibre": ("X", "tab:red")}
    groups = {}                               # plies that fail together in one mode share a mark
    for onset, stress, ply, mode in events:
        groups.setdefault((round(onset, 9), mode), (onset, stress, []))[2].append(ply)
    shown = set()
    for (_, mode), (onset, stress, plies) in groups.items():
        marker, colour = markers[mode]
        ax.plot(100 * onset, stress, marker, color=colour, ms=9, mfc="none" if mode == "matrix" else colour,
                label=None if mode in shown else MODE_TEXT[mode])
        shown.add(mode)
        angles = "/".join(dict.fromkeys(f"{ANGLES[p - 1]:g}" for p in plies))
        text = f"plies {', '.join(map(str, plies))} ({angles}), strain {100 * onset:.3f}%"
        ax.annotate(text, (100 * onset, stress), textcoords="offset points", fontsize=8,
                    xytext=(-8, 8) if mode == "fibre" else (8, -14), ha="right" if mode == "fibre" else "left")
    ax.set_xlabel("laminate strain along x [%]")
    ax.set_ylabel("laminate stress Nx / h [MPa]")
    ax.set_title("[0/45/-45/90]s T300/BSL914C in tension: progressive damage")
    ax.grid(True, lw=0.3)
    ax.set_xlim(left=0.0)
    ax.set_ylim(0.0, 1.1 * stresses.max())
    ax.legend(fontsize=8, loc="upper left")
    fig.tight_layout()
    fig.savefig(path, dpi=120)
    plt.close(fig)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--png", default="progressive_damage.png", help="stress-strain picture")
    parser.add_argument("--max-strain", type=float, default=0.015, help="largest strain of the ramp")
    parser.add_argument("--levels", type=int, default=150, help="load levels of the ramp")
    args = parser.parse_args(argv)
    if not 0.0 < args.max_strain < 0.1:
        raise SystemExit("the largest strain must lie between 0 and 0.1")
    if not 2 <= args.levels <= 2000:
        raise SystemExit("the ramp needs 2 to 2000 load levels")

    tvk.datahandling.deallocall()
    with tempfile.TemporaryDirectory() as folder:
        write_job(folder, args.levels)
        strains, stresses, events, final = run(folder, args.levels, args.max_strain)

    print(f"Laminate [{'/'.join(f'{a:g}' for a in ANGLES)}], T300/BSL914C, h = {THICKNESS * len(ANGLES):g} mm, "
          f"tension along x, Ny = Nxy = 0")
    print(f"Load ramp: {args.levels} levels to a strain of {args.max_strain:g}, "
          f"{2 * args.levels + 1} solver steps\n")
    print("Damage sequence (strain at onset, interpolated between the checks):")
    print("  strain [%]   stress [MPa]   ply  angle   mode")
    for onset, stress, ply, mode in events:
        print(f"  {100 * onset:10.5f}   {stress:12.2f}   {ply:3d}  {ANGLES[ply - 1]:5g}   {MODE_TEXT[mode]}")
    if events:
        print(f"\nFirst-ply failure at a strain of {events[0][0]:.6e} (ply {events[0][2]}, {events[0][3]})")
    if final is not None:
        print(f"Final failure at a strain of {final:.6e} (fibre failure of the 0 degree plies), "
              f"peak stress {stresses.max():.1f} MPa")
    else:
        print("No final failure within the load ramp")
    plot(strains, stresses, events, args.png)
    print(f"\nStress-strain curve written to {args.png}")
    tvk.datahandling.deallocall()
    return 0


if __name__ == "__main__":
    sys.exit(main())
