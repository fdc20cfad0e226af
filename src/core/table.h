// Growable process-wide tables: column-major arrays of up to 7 dimensions whose storage is a
// reference-counted block, so that a Python view taken before a release or a reallocation keeps
// valid memory (the view holds its own reference to the block).
//
// Library code reads tables only through the bounds-checked accessors (`at`, `in_bounds`) or a
// view checked once at entry: a table can be re-created from Python with any shape while the
// counters (`nplies`, `nsec`, `ndmg`, ...) say otherwise, so an index is never trusted to fit.
//
// Routines that read a table at every integration point take a view: its extents are fixed when
// it is taken, the routine checks the largest index it will use once, and then indexes without
// checks (1-based, first index fastest).
//
//   const auto v = tvk::materialdata.peprops.view();
//   if (!v.has(9, ply, sec)) {                       // entries 1..9 of column (ply, sec) exist
//       tvk::report(-2, "No elastic properties for this ply", ply, sec);
//       return;
//   }
//   const double e1 = v(1, ply, sec);                 // unchecked
//   std::span<const double> nye = v.column(ply, sec); // nye[0] = E1, ..., nye[8] = G23
//
// A view does not own the storage: it stays valid until the table is re-created or released, so
// take it at routine entry and do not keep it across calls that may re-create tables (the
// allocation routines, a call-back into the host).
#pragma once

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "tvk.h"

namespace tvk {

// Reference-counted, zero-filled storage. Single-threaded by design (the library has no
// threads; Python calls it under the interpreter lock).
struct Block {
    long refs;
    std::size_t bytes;
    alignas(16) unsigned char data[];
};

enum class AllocFailure { exit, throw_bad_alloc };

// Creates a zero-filled block of n elements of elsize bytes. Inside the library an allocation
// failure ends the process with "Error allocating %lu bytes" and an extent product that overflows
// with "Integer overflow when calculating the amount of memory to allocate" (status 1); the
// Python binding asks for std::bad_alloc instead and raises MemoryError.
Block* block_new(std::int64_t n, std::size_t elsize, AllocFailure on_fail = AllocFailure::exit);
inline void block_incref(Block* b) { if (b) ++b->refs; }
void block_decref(Block* b) TVK_HOST_API("tvk_block_decref");

// Element type codes shared with the binding: 'd' float64, 'i' int32, 'D' complex128.
template <class T> constexpr char elem_code();
template <> constexpr char elem_code<double>() { return 'd'; }
template <> constexpr char elem_code<int>() { return 'i'; }
template <> constexpr char elem_code<cplx>() { return 'D'; }

// Type-erased part: what the binding needs to expose, re-create and release any table.
struct TableBase {
    Block* blk = nullptr;
    std::int64_t ext[7] = {0, 0, 0, 0, 0, 0, 0};
    const int rank;
    const char code;
    const std::size_t elsize;

    constexpr TableBase(int r, char c, std::size_t es) : rank(r), code(c), elsize(es) {}
    TableBase(const TableBase&) = delete;
    TableBase& operator=(const TableBase&) = delete;
    ~TableBase() { release(); }

    bool present() const { return blk != nullptr; }
    // Extent d (1-based) of the current table, 0 when absent.
    int extent(int d) const { return blk && d >= 1 && d <= rank ? static_cast<int>(ext[d - 1]) : 0; }
    std::int64_t size() const TVK_HOST_API("tvk_table_size");
    void release() TVK_HOST_API("tvk_table_release");
    // Re-creates the table with the given extents (negative extents count as 0), zero-filled.
    void reallocate(const std::int64_t* extents, AllocFailure on_fail = AllocFailure::exit)
        TVK_HOST_API("tvk_table_reallocate");
    // Takes over a block (one reference passes to the table).
    void adopt(Block* b, const std::int64_t* extents);
    void* raw() const { return blk ? static_cast<void*>(blk->data) : nullptr; }
};

template <class T, int R>
class TableView;

template <class T, int R>
struct Table : TableBase {
    static_assert(R >= 1 && R <= 7);
    constexpr Table() : TableBase(R, elem_code<T>(), sizeof(T)) {}

    T* data() const { return static_cast<T*>(raw()); }

    // Creates the table with extents e, zero-filled, when it is absent; an existing table keeps
    // its extents and contents. Returns true when it was created.
    bool create_if_absent(std::array<std::int64_t, R> e) {
        if (present()) return false;
        reallocate(e.data());
        return true;
    }
    void allocate(std::array<std::int64_t, R> e) { reallocate(e.data()); }

    // 1-based index test against the real extents.
    template <class... I>
    bool in_bounds(I... idx) const {
        static_assert(sizeof...(I) == R);
        if (!blk) return false;
        const std::int64_t v[] = {static_cast<std::int64_t>(idx)...};
        for (int d = 0; d < R; ++d)
            if (v[d] < 1 || v[d] > ext[d]) return false;
        return true;
    }
    // Pointer to element (i, j, ...), 1-based; nullptr when absent or out of bounds.
    template <class... I>
    T* at(I... idx) const {
        if (!in_bounds(idx...)) return nullptr;
        const std::int64_t v[] = {static_cast<std::int64_t>(idx)...};
        std::int64_t off = 0, stride = 1;
        for (int d = 0; d < R; ++d) {
            off += (v[d] - 1) * stride;
            stride *= ext[d];
        }
        return data() + off;
    }
    // Value at (i, j, ...) or `fallback` when the index does not fit.
    template <class... I>
    T get(T fallback, I... idx) const {
        const T* p = at(idx...);
        return p ? *p : fallback;
    }
    void fill(T v) const {
        T* p = data();
        for (std::int64_t k = 0, n = size(); k < n; ++k) p[k] = v;
    }
    // Unchecked read and write access for hot loops (see the header comment); an absent table
    // gives a view with every extent 0.
    TableView<T, R> view() const { return TableView<T, R>(*this); }
};

template <class T, int R>
class TableView {
public:
    TableView() = default;
    explicit TableView(const Table<T, R>& t) : data_(t.data()) {
        for (int d = 0; d < R; ++d) ext_[d] = t.ext[d];  // all 0 when the table is absent
    }

    // Extent d (1-based), 0 for an absent table.
    std::int64_t extent(int d) const { return ext_[d - 1]; }

    // Whether element (i, j, ...) exists, and with it every element of smaller indices.
    template <class... I>
    bool has(I... idx) const {
        static_assert(sizeof...(I) == R);
        const std::int64_t v[] = {static_cast<std::int64_t>(idx)...};
        for (int d = 0; d < R; ++d)
            if (v[d] < 1 || v[d] > ext_[d]) return false;
        return true;
    }

    // Element (i, j, ...), 1-based, unchecked (asserted in debug builds).
    template <class... I>
    T& operator()(I... idx) const {
        static_assert(sizeof...(I) == R);
        assert(has(idx...));
        return data_[position(idx...)];
    }

    // The first-index column at (j, k, ...), as a span of extent(1) elements; unchecked
    // (asserted in debug builds).
    template <class... I>
    std::span<T> column(I... idx) const {
        static_assert(sizeof...(I) == R - 1);
        if (ext_[0] == 0) return {};
        assert(has(1, idx...));
        return std::span<T>(data_ + position(1, idx...), static_cast<std::size_t>(ext_[0]));
    }

private:
    // Column-major offset of a 1-based index, innermost extent last (Horner form).
    template <class... I>
    std::int64_t position(I... idx) const {
        const std::int64_t v[] = {static_cast<std::int64_t>(idx)...};
        std::int64_t off = v[R - 1] - 1;
        for (int d = R - 2; d >= 0; --d) off = off * ext_[d] + (v[d] - 1);
        return off;
    }

    T* data_ = nullptr;
    std::int64_t ext_[R] = {};
};

}  // namespace tvk
