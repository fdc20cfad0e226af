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
    // The last "_<key>@" in any letter case ('_' and '@' have no case), and the '@' that closes it.
    std::size_t at = std::string_view::npos;
    for (std::size_t i = n >= 3 ? n - 2 : 0; i-- > 0;)
        if (s[i] == '_' && lower(s[i + 1]) == key && s[i + 2] == '@') {
            at = i;
            break;
        }
    if (at == std::string_view::npos) return none;
    const std::size_t from = at + 3;
    const std::size_t close = std::string_view(s, n).find('@', from);
    if (close == std::string_view::npos) return none;
    // The id in lower case, as the whole name is compared; on the stack unless it is long (the
    // routine runs once per material point).
    const std::size_t len = close - from;
    char small[64];
    std::string large;
    char* id_text = small;
    if (len > sizeof small) {
        large.resize(len);
        id_text = large.data();
    }
    std::transform(s + from, s + close, id_text, lower);
    // The text between the marks read as a free-format integer: its first item.
    tvk::io::ListScanner items(std::string_view(id_text, len));
    tvk::io::ListItem it;
    int id = none;
    if (!items.next(it) || it.null || tvk::io::parse_int(it.text, id) != tvk::io::ok) return none;
    return id;
}
