// The one instance of every model-data module and the descriptors of their variables. All
// members have constant initialisers, so the instances and the descriptors are ready before any
// other static initialiser of the process can touch them.
#include "modeldata.h"

#include <algorithm>

namespace tvk {

#define TVK_INSTANCE(Type, mod, LIST) constinit Type mod;
TVK_MODELDATA(TVK_INSTANCE)
#undef TVK_INSTANCE

namespace {

#define TVK_ADDRESS_table(v) static_cast<TableBase*>(&v)
#define TVK_ADDRESS_scalar(v) &v
#define TVK_ADDRESS_text(v) v
#define TVK_CODE_table(T) elem_code<T>()
#define TVK_CODE_scalar(T) elem_code<T>()
#define TVK_CODE_text(T) 'S'
#define TVK_FREED_freed true
#define TVK_FREED_kept false
#define TVK_DESCRIBE(mod, name, kind, T, n, release)                                              \
    VarDesc{#mod, #name, VarDesc::Kind::kind, TVK_CODE_##kind(T), n, TVK_FREED_##release,          \
            TVK_ADDRESS_##kind(mod.name)},
#define TVK_DESCRIBE_MODULE(Type, mod, LIST) LIST(TVK_DESCRIBE)

constexpr VarDesc variables[] = {TVK_MODELDATA(TVK_DESCRIBE_MODULE)};

// Only tables are released; a scalar or text field marked otherwise is a slip in its list.
static_assert(std::ranges::none_of(variables, [](const VarDesc& v) {
    return v.freed && v.kind != VarDesc::Kind::table;
}));

}  // namespace

std::span<const VarDesc> modeldata_variables() { return variables; }

}  // namespace tvk
