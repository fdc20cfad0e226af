"""The listing reader and the card readers side by side with numpy.loadtxt on the same numbers and
with the parsing floor (the file read in one piece and every number converted with
std::from_chars), in one run. Run from the source folder after a Release build:

    PYTHONPATH=build/python /usr/bin/python3 bench/readers_py.py [build/tvk_bench]

The script writes the data listing of bench/bench_listing.cpp (100,000 8-node shells, 401,301
nodes) and the three cards of bench/bench_cards.cpp into a temporary folder, and the numbers of
each file as a plain table (the element table: number, property and eight node numbers per row;
the node table: number and three coordinates; a card: the numbers of one section, damage set or
material per row). It times numpy.loadtxt on the tables and the readers called from Python (best
of the repeats), then runs the Google Benchmark executable on the same files for the native
reader times and the floors (minimum of the repetitions). Ratios are of minimum times. The
material card is read into the slots of 25 sections of 8 plies that hold its 200 materials.
"""
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

import _tolvek

NX, NY = 400, 250


def write_listing(path, elements_path, nodes_path):
    w = 2 * NX + 1

    def nid(i, j):
        return 1 + i + w * j

    with open(path, "w") as f, open(elements_path, "w") as fe, open(nodes_path, "w") as fn:
        f.write("                           E L E M E N T   D E F I N I T I O N S\n\n"
                "    NUMBER  TYPE  PROPERTY   NODES FORMING ELEMENT\n\n")
        for ey in range(NY):
            for ex in range(NX):
                i, j = 2 * ex, 2 * ey
                nodes = (nid(i, j), nid(i + 2, j), nid(i + 2, j + 2), nid(i, j + 2),
                         nid(i + 1, j), nid(i + 2, j + 1), nid(i + 1, j + 2), nid(i, j + 1))
                num = 1 + ex + NX * ey
                f.write("%10d  S8R          1" % num + "".join("%10d" % n for n in nodes) + "\n")
                fe.write("%10d  1" % num + "".join("%10d" % n for n in nodes) + "\n")
        f.write("\n\n                              N O D E   D E F I N I T I O N S\n\n")
        for j in range(2 * NY + 1):
            for i in range(w):
                line = "%10d  %12.5f  %12.5f  %12.5f\n" % (nid(i, j), 0.5 * i, 0.5 * j, 0.0)
                f.write(line)
                fn.write(line)


def write_section_card(folder, table):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "SectionCard.tvk"), "w") as f, open(table, "w") as t:
        for s in range(1, 1001):
            f.write("++Begin Section, SECID=%d\n+Material\n1 2 1 2 2 1 2 1\n+Orientation\n"
                    "0 45 -45 90 90 -45 45 0\n+Thickness\n0.125\n+Extension\n1 1\n+Strength\n450.0\n"
                    "++End Section\n" % s)
            t.write("1 2 1 2 2 1 2 1 0 45 -45 90 90 -45 45 0 0.125 1 1 450.0\n")


def write_damage_card(folder, table):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "DamageCard.tvk"), "w") as f, open(table, "w") as t:
        for d in range(1, 201):
            f.write("++Begin Damage, DMGID=%d\n+Position\n1.0 2.0 0.0 30.0\n" % d)
            row = "1.0 2.0 0.0 30.0"
            for mode in ("General", "Fiber", "Matrix", "Core", "User"):
                f.write("+Abstraction, TYPE=%s\n1 2.5 1.5 0\n2 3.0 2.0 0\n3 1.0 1.0 0\n" % mode)
                row += " 1 2.5 1.5 0 2 3.0 2.0 0 3 1.0 1.0 0"
            f.write("+Table, LayID=2, TYPE=Matrix\n0.0 0.0 0.0 1.0 0.0 0.0 1.0 1.0 0.0 0.0 1.0 0.0\n"
                    "+Abstraction, TYPE=Delamination\n1 0.5 0.25 0\n2 0.5 0.25 0\n++End Damage\n")
            row += " 0.0 0.0 0.0 1.0 0.0 0.0 1.0 1.0 0.0 0.0 1.0 0.0 1 0.5 0.25 0 2 0.5 0.25 0"
            t.write(row + "\n")


def write_material_card(folder, table):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "MaterialCard.tvk"), "w") as f, open(table, "w") as t:
        for m in range(1, 201):
            f.write("++Begin Material, MATID=%d\n+Elastic\n"
                    "140000.0 10000.0 10000.0 0.3 0.3 0.45 5000.0 5000.0 3500.0\n"
                    "+Strength\n2000.0 1200.0 50.0 200.0 80.0 80.0 0.0 0.0 0.0\n"
                    "+Hygrothermal\n-0.5e-6 30.0e-6 30.0e-6 0.0 0.0\n+Fracture\n0.2 0.8 1.0 0.5 0.5\n"
                    "+Failure, TYPE=INITIATION\n1 2 3 0 0\n+Failure, TYPE=EVOLUTION\n1 1 1 0 0\n"
                    "+Failure, TYPE=DEGRADATION\n0.01 0.01 0.01 0.01 0.01 0.01\n++End Material\n" % m)
            t.write("140000.0 10000.0 10000.0 0.3 0.3 0.45 5000.0 5000.0 3500.0 "
                    "2000.0 1200.0 50.0 200.0 80.0 80.0 0.0 0.0 0.0 -0.5e-6 30.0e-6 30.0e-6 0.0 0.0 "
                    "0.2 0.8 1.0 0.5 0.5 1 2 3 0 0 1 1 1 0 0 0.01 0.01 0.01 0.01 0.01 0.01\n")


def material_slots(folder):
    """25 sections of 8 plies holding the materials 1..200, one per slot, read from a section card
    into a released model."""
    _tolvek.datahandling.deallocall()
    _tolvek.sectiondata.nsec = _tolvek.sectiondata.nplies = 0
    slots = os.path.join(folder, "slots")
    os.makedirs(slots, exist_ok=True)
    with open(os.path.join(slots, "SectionCard.tvk"), "w") as f:
        for s in range(25):
            f.write("++Begin Section, SECID=%d\n+Material\n%s\n+Orientation\n0 0 0 0 0 0 0 0\n"
                    "+Thickness\n0.1\n++End Section\n" % (s + 1, " ".join(str(8 * s + k + 1) for k in range(8))))
    _tolvek.iohandling.getsectiondatafromfile("", slots)


def best(f, repeat):
    times = []
    for _ in range(repeat):
        t0 = time.perf_counter()
        f()
        times.append(time.perf_counter() - t0)
    return min(times) * 1e3


def native(bench, env, pattern):
    out = subprocess.run([bench, "--benchmark_filter=" + pattern, "--benchmark_format=json",
                          "--benchmark_repetitions=5"], env=env, check=True, capture_output=True,
                         text=True).stdout
    res = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        scale = {"ms": 1.0, "us": 1e-3, "ns": 1e-6}[b["time_unit"]]
        t = b["real_time"] * scale
        res[b["run_name"]] = min(res.get(b["run_name"], t), t)
    return res


def main():
    bench = sys.argv[1] if len(sys.argv) > 1 else os.path.join("build", "tvk_bench")
    io = _tolvek.iohandling
    with tempfile.TemporaryDirectory() as tmp:
        listing = os.path.join(tmp, "listing.dat")
        elems, nodes = os.path.join(tmp, "elements.txt"), os.path.join(tmp, "nodes.txt")
        write_listing(listing, elems, nodes)
        cards = os.path.join(tmp, "cards")
        sec_table, dmg_table = os.path.join(tmp, "sections.txt"), os.path.join(tmp, "damage.txt")
        write_section_card(os.path.join(cards, "section"), sec_table)
        write_damage_card(os.path.join(cards, "damage"), dmg_table)
        mat_table = os.path.join(tmp, "materials.txt")
        write_material_card(os.path.join(cards, "material"), mat_table)

        env = dict(os.environ, TVK_BENCH_LISTING=listing, TVK_BENCH_CARDS=cards)
        nat = native(bench, env, "BM_ReadListing100k$|BM_ListingFloor|BM_SectionCard1000|BM_MaterialSizedCard|BM_MaterialCard200")

        rows = []
        t_np = best(lambda: (np.loadtxt(elems, dtype=np.int32), np.loadtxt(nodes)), 5)
        t_py = best(lambda: io.getabqdatafromfile(listing), 5)
        rows.append(("data listing (100k elements)", t_np, t_py, nat["BM_ReadListing100k"], nat["BM_ListingFloor"]))
        sec_ws = os.path.join(cards, "section")
        t_np = best(lambda: np.loadtxt(sec_table), 50)
        t_py = best(lambda: io.getsectiondatafromfile("", sec_ws), 50)
        rows.append(("section card (1,000 sections)", t_np, t_py, nat["BM_SectionCard1000"],
                     nat["BM_SectionCard1000Floor"]))
        dmg_ws = os.path.join(cards, "damage")
        t_np = best(lambda: np.loadtxt(dmg_table), 50)
        t_py = best(lambda: io.getdamagedatafromfile("", dmg_ws, 3, 1), 50)
        rows.append(("damage card (200 sets)", t_np, t_py, nat["BM_MaterialSizedCard"],
                     nat["BM_MaterialSizedCardFloor"]))
        mat_ws = os.path.join(cards, "material")
        material_slots(tmp)
        t_np = best(lambda: np.loadtxt(mat_table), 50)
        t_py = best(lambda: io.getmaterialdatafromfile("", mat_ws, 8, 25), 50)
        rows.append(("material card (200 materials)", t_np, t_py, nat["BM_MaterialCard200"],
                     nat["BM_MaterialCard200Floor"]))

    print(f"{'reader':30s} {'loadtxt ms':>10s} {'python ms':>10s} {'native ms':>10s} {'floor ms':>9s}"
          f" {'py/loadtxt':>10s} {'nat/floor':>9s}")
    for name, t_np, t_py, t_nat, t_floor in rows:
        print(f"{name:30s} {t_np:10.3f} {t_py:10.3f} {t_nat:10.3f} {t_floor:9.3f} {t_py / t_np:10.2f}"
              f" {t_nat / t_floor:9.2f}")


if __name__ == "__main__":
    main()
