// The extension module _tolvek: its namespaces, in the order the module creates them (one per
// component), and its entry point.
#include "engine/engine.h"

namespace tvk::py {

const std::vector<std::string>& namespace_order() {
    static const std::vector<std::string> order = {
        "toplevel", "wrapper", "prony", "fatigue", "iohandling", "delisio", "dg8", "degradation", "dic",
        "fracture", "evocollection", "damage", "cccollection", "delcollection", "mccollection", "fbcollection",
        "gpcollection", "sublaminate", "elementhandling", "hex8", "quad8", "quad4", "tria6", "truss3",
        "sldcollection", "elasticity", "resin", "laminate", "lamina", "micromechanic", "isscollection",
        "nlcollection", "interaction", "permcollection", "listhandling", "stringhandling", "imageprocessing",
        "signalprocessing", "math", "utility", "boxbeamio", "errorhandling", "datahandling", "shokriehdata",
        "bukdata", "damagedata", "loaddata", "impactdata", "elementdata", "nodaldata", "sectiondata",
        "materialdata", "debugdata", "jobdata", "types"};
    return order;
}

}  // namespace tvk::py

PyMODINIT_FUNC PyInit__tolvek(void) { return tvk::py::create_module("_tolvek"); }
