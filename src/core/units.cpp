#include "units.h"

#include <algorithm>
#include <array>
#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tvk::io {

namespace {

namespace fs = std::filesystem;

// Memory of a unit's text and record tables: from malloc, or for large files on 2 MiB boundaries
// with the advice to back it with huge pages (where the system has them), so that a listing of
// tens of megabytes takes a few dozen page faults rather than thousands on each read. Released
// with free.
struct FreeMemory {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Memory = std::unique_ptr<T[], FreeMemory>;

template <class T>
Memory<T> memory_for(std::size_t count) {
    constexpr std::size_t huge_page = std::size_t{2} << 20;
    const std::size_t bytes = count * sizeof(T);
    void* p = nullptr;
    if (bytes >= 2 * huge_page) {
        p = std::aligned_alloc(huge_page, (bytes + huge_page - 1) / huge_page * huge_page);
#if defined(MADV_HUGEPAGE)
        if (p) ::madvise(p, (bytes + huge_page - 1) / huge_page * huge_page, MADV_HUGEPAGE);  // advice only
#endif
    } else {
        p = std::malloc(bytes > 0 ? bytes : 1);
    }
    if (!p) throw std::bad_alloc();
    return Memory<T>(static_cast<T*>(p));
}

struct Unit {
    std::string path;       // canonical path, for unit_of
    bool writing = false;
    // Reading: the file's text and the start offset of every record; record k spans
    // [start[k], start[k + 1]) less its line end, which leaves length[k] characters. `pos` is
    // the next record; pos == nrec() + 1
    // means after the end-of-file marker.
    Memory<char> text;  // not value-initialised: every character is read into it
    std::size_t size = 0;           // characters of the file
    // Both made once at their full size, from a count of the line ends, and not initialised:
    // every entry up to `records` is written.
    Memory<std::size_t> start;   // records + 1 entries
    Memory<std::size_t> length;  // records entries
    std::size_t records = 0;
    std::size_t pos = 0;
    // Appending.
    std::FILE* out = nullptr;

    std::size_t nrec() const { return records; }
    ~Unit() {
        if (out) std::fclose(out);
    }
};

// Units 0 to max_unit, which the readers take, by index; any larger unit number in a map.
struct UnitTable {
    std::array<std::unique_ptr<Unit>, max_unit + 1> low;
    std::map<int, std::unique_ptr<Unit>> high;
} table;

bool preconnected(int unit) { return unit == 0 || unit == 5 || unit == 6; }
bool in_table(int unit) { return unit >= 0; }

// The open unit of that number, or nullptr.
Unit* find(int unit) {
    if (unit < 0) return nullptr;
    if (unit <= max_unit) return table.low[static_cast<std::size_t>(unit)].get();
    const auto it = table.high.find(unit);
    return it == table.high.end() ? nullptr : it->second.get();
}

// The slot of a unit number that is not negative, made where it is not there yet.
std::unique_ptr<Unit>& slot(int unit) {
    return unit <= max_unit ? table.low[static_cast<std::size_t>(unit)] : table.high[unit];
}

std::string canonical(std::string_view path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::path(std::string(path)), ec);
    return ec ? std::string(path) : p.string();
}

bool usable_path(std::string_view path) {
    return !path.empty() && path.find('\0') == std::string_view::npos;
}

// The unit for a new connection, or an error status.
int check_free(int unit) {
    if (!in_table(unit) || preconnected(unit)) return err_unit;
    if (find(unit)) return err_connected;
    return ok;
}

Unit* reading_unit(int unit, int& status) {
    status = ok;
    Unit* u = nullptr;
    if (!in_table(unit) || preconnected(unit)) status = err_unit;
    else if (u = find(unit); !u || u->writing) status = err_not_open;
    return status == ok ? u : nullptr;
}

// The number of '\n' in the text: the record tables are sized once, never grown by copying.
std::size_t count_line_ends(const char* d, std::size_t size) {
    std::size_t total = 0, p = 0;
#if defined(__SSE2__)
    const __m128i nl = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
    while (p + 16 <= size) {
        // Byte counters of at most 255 words, then summed.
        __m128i acc = zero;
        const std::size_t words = std::min<std::size_t>(255, (size - p) / 16);
        for (std::size_t k = 0; k < words; ++k, p += 16)
            acc = _mm_sub_epi8(acc, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + p)), nl));
        const __m128i sums = _mm_sad_epu8(acc, zero);
        total += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_extract_epi16(sums, 4));
    }
#endif
    for (; p < size; ++p) total += d[p] == '\n';
    return total;
}

// Records found sixteen characters at a time where SSE2 is there (every x86-64): one comparison
// gives a bit per '\n'. The tables are sized once from a count of the line ends (never grown by
// copying) and written through plain pointers.
void split_records(Unit& u) {
    const char* const d = u.text.get();
    const std::size_t size = u.size;
    const std::size_t cap = count_line_ends(d, size) + 1;  // and a last line without its end
    u.start = memory_for<std::size_t>(cap + 1);
    u.length = memory_for<std::size_t>(cap);
    std::size_t* const st = u.start.get();
    std::size_t* const ln = u.length.get();
    std::size_t r = 0;
    st[0] = 0;
    // One record ending at `end` (its '\n', or the end of the text), less a carriage return.
    const auto add = [&](std::size_t end, std::size_t next) {
        std::size_t len = end - st[r];
        if (len > 0 && d[end - 1] == '\r') --len;
        ln[r] = len;
        st[++r] = next;
    };
    std::size_t p = 0;
#if defined(__SSE2__)
    const __m128i nl = _mm_set1_epi8('\n');
    for (; p + 16 <= size; p += 16) {
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(d + p)), nl)));
        while (mask) {
            const std::size_t e = p + static_cast<std::size_t>(std::countr_zero(mask));
            add(e, e + 1);
            mask &= mask - 1;
        }
    }
#endif
    for (; p < size; ++p)
        if (d[p] == '\n') add(p, p + 1);
    if (size > 0 && d[size - 1] != '\n') add(size, size);  // a last line without its end
    u.records = r;
}

}  // namespace

bool is_connected(int unit) { return preconnected(unit) || find(unit) != nullptr; }

int free_unit(int first, int last) {
    // Every number of the range that is not negative is a unit; the walk stops at the first one
    // that is free, after at most the open units and the three preconnected ones.
    for (long long u = first < 0 ? 0 : first; u <= last; ++u)
        if (!is_connected(static_cast<int>(u))) return static_cast<int>(u);
    return -1;
}

std::vector<int> open_units() {
    std::vector<int> out;
    for (int u = 0; u <= max_unit; ++u)
        if (table.low[static_cast<std::size_t>(u)]) out.push_back(u);
    for (const auto& [u, p] : table.high)
        if (p) out.push_back(u);
    return out;
}

int unit_of(std::string_view path) {
    if (!usable_path(path)) return -1;
    const std::string c = canonical(path);
    for (int u : open_units())
        if (find(u)->path == c) return u;
    return -1;
}

namespace {

// The file's text read with read() into a buffer sized from fstat, without the zero-fill of a
// string: the whole file in one call when its size is known, whatever follows (a file that grew
// meanwhile, or one whose size is not reported) in further calls into a grown buffer.
bool read_text(int fd, std::size_t size_hint, Unit& u) {
    std::size_t cap = size_hint + 1;  // one byte more: the read that finds the end needs no larger buffer
    Memory<char> buf = memory_for<char>(cap);
    std::size_t n = 0;
    for (;;) {
        if (n == cap) {
            const std::size_t grown = cap < (std::size_t{1} << 16) ? std::size_t{1} << 16 : 2 * cap;
            Memory<char> more = memory_for<char>(grown);
            std::memcpy(more.get(), buf.get(), n);
            buf = std::move(more);
            cap = grown;
        }
        const ssize_t got = ::read(fd, buf.get() + n, cap - n);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) break;
        n += static_cast<std::size_t>(got);
    }
    u.text = std::move(buf);
    u.size = n;
    return true;
}

// The canonical path of an open file: the link of its descriptor (one call, the path the system
// resolved on opening), else the canonical form of the given path. A file removed since it was
// opened has " (deleted)" appended to its link, which is no path: the given path serves then.
std::string canonical_of(int fd, std::string_view path) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = ::readlink(link, target, sizeof target);
    constexpr std::string_view removed = " (deleted)";
    if (n > 0 && static_cast<std::size_t>(n) < sizeof target && target[0] == '/' &&
        !std::string_view(target, static_cast<std::size_t>(n)).ends_with(removed))
        return std::string(target, static_cast<std::size_t>(n));
    return canonical(path);
}

}  // namespace

int open_read(int unit, std::string_view path) {
    if (int s = check_free(unit)) return s;
    if (!usable_path(path)) return err_open;
    const std::string p(path);
    // Only a regular file is opened (a pipe or device is never touched); the descriptor is
    // checked again, the file may have been replaced in between.
    struct stat st;
    if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return err_open;
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return err_open;
    struct Closer {  // the descriptor is closed on every path, a failed allocation included
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    auto u = std::make_unique<Unit>();
    const bool read = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
                      static_cast<std::uintmax_t>(st.st_size) < (std::uintmax_t{1} << 40) &&
                      read_text(fd, static_cast<std::size_t>(st.st_size), *u);
    if (!read) return err_open;
    u->path = canonical_of(fd, path);
    split_records(*u);
    slot(unit) = std::move(u);
    return ok;
}

int open_append(int unit, std::string_view path, bool create) {
    if (int s = check_free(unit)) return s;
    if (!usable_path(path)) return err_open;
    const std::string p(path);
    std::error_code ec;
    const fs::file_status st = fs::status(fs::path(p), ec);
    if (fs::exists(st) ? !fs::is_regular_file(st) : !create) return err_open;
    std::FILE* f = std::fopen(p.c_str(), "ab");
    if (!f) return err_open;
    auto u = std::make_unique<Unit>();
    u->writing = true;
    u->out = f;
    u->start = memory_for<std::size_t>(1);
    u->start[0] = 0;
    u->path = canonical(path);
    slot(unit) = std::move(u);
    return ok;
}

int close_unit(int unit) {
    if (!in_table(unit) || preconnected(unit)) return err_unit;
    // A writing unit's records may still sit in stdio's buffer: a full disk or a file-size limit
    // refuses them only when the buffer is written out, so the flush and close are checked.
    int status = ok;
    if (Unit* u = find(unit); u && u->out) {
        std::FILE* const f = std::exchange(u->out, nullptr);
        const bool failed = std::ferror(f) != 0;
        if (std::fclose(f) != 0 || failed) status = err_write;
    }
    if (unit <= max_unit) table.low[static_cast<std::size_t>(unit)].reset();
    else table.high.erase(unit);
    return status;
}

int read_record(int unit, std::string_view& record) {
    int status;
    Unit* u = reading_unit(unit, status);
    if (!u) return status;
    const std::size_t n = u->nrec();
    if (u->pos > n) return err_past_end;
    if (u->pos == n) {
        u->pos = n + 1;
        return end_of_file;
    }
    record = std::string_view(u->text.get() + u->start[u->pos], u->length[u->pos]);
    ++u->pos;
    return ok;
}

int records(int unit, Records& r) {
    int status;
    Unit* u = reading_unit(unit, status);
    if (!u) return status;
    r.text = u->text.get();
    r.start = u->start.get();
    r.length = u->length.get();
    r.count = u->nrec();
    r.pos = &u->pos;
    return ok;
}

int backspace(int unit, long long count) {
    int status;
    Unit* u = reading_unit(unit, status);
    if (!u) return status;
    if (count > 0) u->pos = static_cast<unsigned long long>(count) >= u->pos ? 0 : u->pos - static_cast<std::size_t>(count);
    return ok;
}

int rewind_unit(int unit) {
    int status;
    Unit* u = reading_unit(unit, status);
    if (!u) return status;
    u->pos = 0;
    return ok;
}

int write_record(int unit, std::string_view record) {
    if (!in_table(unit) || preconnected(unit)) return err_unit;
    Unit* u = find(unit);
    if (!u || !u->writing) return err_not_open;
    if (std::fwrite(record.data(), 1, record.size(), u->out) != record.size() || std::fputc('\n', u->out) == EOF)
        return err_write;
    return ok;
}

}  // namespace tvk::io
