// Python attributes of the model-data modules and the kind constants of `types`.
// Scalars are 0-d arrays sharing the variable, text fields 0-d byte-string arrays, growable
// tables views of their current shape (or None when absent). The variables come from the
// modules' declarations in core/modeldata.h, one attribute each, in declaration order.
#include "engine/bind.h"

#include "core/modeldata.h"

using namespace tvk;

namespace {

py::VarReg::Spec spec_of(const VarDesc& v) {
    switch (v.kind) {
        case VarDesc::Kind::table: return py::VarReg::table(*v.table());
        case VarDesc::Kind::text: return py::VarReg::text(static_cast<char*>(v.address), static_cast<std::size_t>(v.extent));
        case VarDesc::Kind::scalar: break;
    }
    if (v.code == 'd') return py::VarReg::scalar(*static_cast<double*>(v.address));
    return py::VarReg::scalar(*static_cast<int*>(v.address));
}

const bool registered = [] {
    for (const VarDesc& v : modeldata_variables()) py::VarReg{v.module, v.name, spec_of(v)};
    return true;
}();

}  // namespace

TVK_CONST(types, sp, types::sp);
TVK_CONST(types, dp, types::dp);
TVK_CONST(types, qp, types::qp);
TVK_CONST(types, i2, types::i2);
TVK_CONST(types, i4, types::i4);
TVK_CONST(types, i8, types::i8);
TVK_CONST(types, cb, types::cb);
