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
