"""Example: a first look at the library from Python.

Sets up the damage data sets of a two-section laminate, rotates a ply stress state, measures a
damaged region and shows how failures are reported through the error record.
Run with the build's python folder on PYTHONPATH (scripts/run.sh example does this).
"""
import numpy as np

import _tolvek as tvk

print(f"_tolvek {tvk.__version__}: {sum(type(v).__name__ == 'fortran' for v in vars(tvk).values())} namespaces")

# Damage data sets for 4 plies in 2 sections: the tables are created zeroed and shared with numpy.
tvk.datahandling.allocatedamagedata(4, 2, 1)
dd = tvk.damagedata
print("damage sets:", int(dd.ndmg), "| fibre set shape", dd.fiberdds.shape,
      "| delamination set shape", dd.delamdds.shape)

# A damaged region recorded for ply 2: half-extents a and b of the ellipse in the damage plane.
dd.fiberdds[0:2, 1, 0] = (0.012, 0.004)
a, b = dd.fiberdds[0:2, 1, 0]
print(f"ply 2 fibre damage: ellipse {a*1e3:.1f} x {b*1e3:.1f} mm, area {np.pi*a*b*1e6:.1f} mm^2")

# Rotate a 2nd-order stress tensor by 30 degrees about the fibre axis (1, 0, 0).
sigma = np.diag([400.0, 30.0, 0.0])
rot = tvk.math.tensorrotation2nd(sigma, np.deg2rad(30.0))
print("rotated stress tensor [MPa]:\n", np.array2string(rot, precision=2, suppress_small=True))

# Is the point (5 mm, 1 mm) of ply 2 inside the damaged ellipse?
inside = tvk.imageprocessing.ellipse(0.005, 0.001, a, b)
print("point (5, 1) mm inside the damage ellipse:", inside <= 1.0)

# Failures are recorded, not raised: the first report is kept until it is cleared.
tvk.errorhandling.xerr(-2, "Example warning recorded by the host", [1, 2], [0.5, 1.5],
                       np.zeros((8, 2), dtype=np.int32), pyerr=1)
print("error record:", int(tvk.errorhandling.errstat),
      tvk.errorhandling.errstring[()].decode().strip())
tvk.errorhandling.rsxerr(1)

# Analysis end: every model-data table is released.
tvk.datahandling.deallocall()
print("after release:", dd.fiberdds)
