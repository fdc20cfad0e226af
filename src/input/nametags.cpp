// Material-name tags: integer ids carried inside a solver material name as "_<key>@<integer>@",
// key d (damage set), i (impactor), l (ply), m (material) or s (section), in any letter case.
// The last tag of a kind counts.
#include <algorithm>
#include <string>
#include <string_view>

#include "iohandling.h"
#include "listread.h"

namespace {

inline char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

}  // namespace

TVK_API int getxidfromstring(const char* s, const int* ls, const char* xind, const int* notfound,
                             std::size_t lens, std::size_t lxind) {
    const int none = notfound ? *notfound : -1;
    const char key = lxind > 0 ? lower(xind[0]) : ' ';
    if (std::string_view("dilms").find(key) == std::string_view::npos) return none;
    const std::size_t n = static_cast<std::size_t>(std::clamp<long long>(*ls, 0, static_cast<long long>(lens)));
    std::string name(s, n);
    std::transform(name.begin(), name.end(), name.begin(), lower);
    const std::string tag = {'_', key, '@'};
    const std::size_t at = name.rfind(tag);
    if (at == std::string::npos) return none;
    const std::size_t from = at + tag.size();
    const std::size_t close = name.find('@', from);
    if (close == std::string::npos) return none;
    // The text between the marks read as a free-format integer: its first item.
    tvk::io::ListScanner items(std::string_view(name).substr(from, close - from));
    tvk::io::ListItem it;
    int id = none;
    if (!items.next(it) || it.null || tvk::io::parse_int(it.text, id) != tvk::io::ok) return none;
    return id;
}
