// Python entry points of the box-beam calculator (namespace `boxbeamio`). The records themselves
// are exported C symbols of the library (boxbeam/boxbeam.h), reached from Python through ctypes;
// a refused or failed calculation raises _tolvek.error, a failed allocation MemoryError.
#include <new>
#include <stdexcept>

#include "boxbeam/section.h"
#include "engine/bind.h"

namespace {

void raise_on_failure(const tvk::boxbeam::Status& st) {
    if (st.code == tvk::boxbeam::Status::no_memory) throw std::bad_alloc();
    if (!st) throw std::runtime_error(st.message);
}

void py_box_initialize(const int* nw, const int* ng, const int* nz) {
    raise_on_failure(tvk::boxbeam::initialize(*nw, *ng, *nz));
}

void py_box_getxsection() { raise_on_failure(tvk::boxbeam::calculate()); }

}  // namespace

TVK_ROUTINE(boxbeamio, box_initialize, py_box_initialize, "nw:i4:opt=100 ng:i4:opt=100 nz:i4:opt=100");
TVK_ROUTINE(boxbeamio, box_getxsection, py_box_getxsection, "");
