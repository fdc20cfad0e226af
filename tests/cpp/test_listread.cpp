// List-directed input of one record.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "input/listread.h"

namespace {

using namespace tvk::io;

std::vector<double> Reals(const std::string& rec, int n, int& status, double fill = -7.0) {
    std::vector<double> v(n, fill);
    status = read_list(rec, v.data(), n);
    return v;
}

TEST(ListRead, SeparatorsAndNullItems) {
    EXPECT_EQ(count_items("1 2\t3"), 3);
    EXPECT_EQ(count_items("1.0 , 2.0"), 2);   // blanks around a comma make one separator
    EXPECT_EQ(count_items("1,2,"), 2);        // a trailing comma adds nothing
    EXPECT_EQ(count_items("1,,2"), 3);        // two commas leave a null item
    EXPECT_EQ(count_items(",1"), 2);          // a leading comma is a null item
    EXPECT_EQ(count_items(" , , "), 2);
    EXPECT_EQ(count_items("1 2 / 3 4"), 2);   // a slash ends the items
    EXPECT_EQ(count_items("   "), 0);
    int st;
    EXPECT_EQ(Reals("1,,2", 3, st), (std::vector<double>{1.0, -7.0, 2.0}));
    EXPECT_EQ(st, ok);
    EXPECT_EQ(Reals("5 /", 3, st), (std::vector<double>{5.0, -7.0, -7.0}));
    EXPECT_EQ(st, ok);  // a slash ends the list: the rest keep their values
    EXPECT_EQ(Reals("5 6", 3, st), (std::vector<double>{5.0, 6.0, -7.0}));
    EXPECT_EQ(st, end_of_record);
    int taken = -1;
    double one;
    EXPECT_EQ(read_list("", &one, 1, &taken), end_of_record);
    EXPECT_EQ(taken, 0);
}

// The item count of a record equals the number of items the scanner yields, for records of
// blanks, tabs, commas, slashes and item characters in any mix.
TEST(ListRead, ItemCountsAgreeWithTheScanner) {
    std::mt19937 rng(11);
    const char alphabet[] = {' ', ' ', '\t', ',', '/', '1', '.', 'e', '-', 'x'};
    for (int round = 0; round < 20000; ++round) {
        std::string rec(rng() % 24, ' ');
        const unsigned span = round % 2 ? 10 : 7;  // every other record without commas and slashes
        for (char& c : rec) {
            const unsigned k = rng() % span;
            c = alphabet[span == 7 ? (k < 3 ? k : k + 2) : k];
        }
        ListScanner sc(rec);
        ListItem it;
        int n = 0;
        while (sc.next(it)) ++n;
        ASSERT_EQ(count_items(rec), n) << "'" << rec << "'";
    }
}

TEST(ListRead, RealAndIntegerForms) {
    double v = 0;
    for (auto [text, want] : std::vector<std::pair<const char*, double>>{
             {"2.5", 2.5}, {"-1e-3", -1e-3}, {"7", 7.0}, {"+.5", 0.5}, {"3.", 3.0}, {"1D2", 100.0},
             {"1.5d-1", 0.15}, {"2E+3", 2000.0}, {"1e-400", 0.0}}) {
        ASSERT_EQ(parse_real(text, v), ok) << text;
        EXPECT_EQ(v, want) << text;
    }
    v = 42.0;
    for (const char* bad : {"", ".", "-", "1e", "1e+", "e3", "1.0x", "3*1.0", "1+3", "nan", "inf", "0x10", "1..2"})
        EXPECT_EQ(parse_real(bad, v), err_bad_value) << bad;
    EXPECT_EQ(parse_real("1e400", v), err_overflow);
    EXPECT_EQ(parse_real("-1d999", v), err_overflow);
    EXPECT_EQ(v, 42.0);  // failures leave the target alone

    int i = 9;
    ASSERT_EQ(parse_int("-2147483648", i), ok);
    EXPECT_EQ(i, -2147483647 - 1);
    ASSERT_EQ(parse_int("+12", i), ok);
    EXPECT_EQ(i, 12);
    EXPECT_EQ(parse_int("2147483648", i), err_overflow);
    EXPECT_EQ(parse_int("99999999999999999999999", i), err_overflow);
    for (const char* bad : {"1.0", "1e3", "2*3", "+", "12a"}) EXPECT_EQ(parse_int(bad, i), err_bad_value) << bad;
    EXPECT_EQ(i, 12);

    // A bad item stops the read: the values before it are stored, the rest keep theirs.
    int st;
    EXPECT_EQ(Reals("1 2*3 4", 3, st), (std::vector<double>{1.0, -7.0, -7.0}));
    EXPECT_EQ(st, err_bad_value);
}

TEST(ListRead, WrittenValuesReadBackExactly) {
    std::mt19937_64 rng(20);
    std::uniform_real_distribution<double> mant(-10.0, 10.0);
    std::uniform_int_distribution<int> ex(-300, 300);
    for (int k = 0; k < 2000; ++k) {
        const double x = std::ldexp(mant(rng), ex(rng) / 4);
        char buf[64];
        std::snprintf(buf, sizeof buf, k % 2 ? "%.17e" : "%.17g", x);
        std::string s = buf;
        if (k % 3 == 0)
            for (char& c : s)
                if (c == 'e') c = 'D';
        double y = 0;
        ASSERT_EQ(parse_real(s, y), ok) << s;
        EXPECT_EQ(x, y) << s;
    }
}

// The value and status strtod gives a valid real item (d exponent read as e): the reference the
// reader's own conversion must match bit for bit, overflow and underflow included.
int strtod_reference(std::string t, double& v) {
    for (char& c : t)
        if (c == 'd' || c == 'D') c = 'e';
    errno = 0;
    char* end = nullptr;
    const double x = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size()) return err_bad_value;
    if (errno == ERANGE && std::isinf(x)) return err_overflow;
    v = x;
    return ok;
}

void expect_as_strtod(const std::string& s) {
    double got = -7.0, want = -7.0;
    const int st = parse_real(s, got), ref = strtod_reference(s, want);
    ASSERT_EQ(st, ref) << s;
    EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << s << ": " << got << " against " << want;
}

TEST(ListRead, RealsConvertBitForBitAsStrtod) {
    // Range edges: the largest double and the halfway point above it, the subnormal range and
    // the halfway point below the smallest subnormal, signed zeros, long mantissas whose
    // rounding needs all digits, and exponents far outside the range.
    for (const char* s : {"1.7976931348623157e308", "1.7976931348623158e308", "1.7976931348623159e308",
                          "-1.7976931348623159D308", "2.2250738585072014e-308", "2.2250738585072011e-308",
                          "4.9406564584124654e-324", "2.4703282292062327e-324", "2.4703282292062328e-324",
                          "-2.4703282292062328d-324", "1e-320", "-0.0", "+0", "-0e999999", "0.000e-99999",
                          "9007199254740993", "9007199254740993.0000000000000000000001",
                          "1.00000000000000011102230246251565404236316680908203125",
                          "1.00000000000000011102230246251565404236316680908203124",
                          "1e999999999999999999999", "1e-999999999999999999999", ".5D+0", "5.D-1", "+7.",
                          "123456789012345678901234567890e-30"})
        expect_as_strtod(s);
    std::string longest(300, '9');  // longer than the stack copy of a d exponent
    expect_as_strtod(longest);
    expect_as_strtod(longest + ".5d-3");
    expect_as_strtod("0." + std::string(400, '0') + "17e+380");

    // Random items of the grammar: sign, digits before and after the point, exponent letter,
    // sign and digits.
    std::mt19937_64 rng(7);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const char* letters = "eEdD";
    for (int k = 0; k < 200000; ++k) {
        std::string s;
        s += "\0+-"[pick(3)];
        if (s[0] == '\0') s.clear();
        const int before = pick(4) ? pick(20) : pick(40), after = pick(3) ? pick(20) : 0;
        for (int i = 0; i < before; ++i) s += static_cast<char>('0' + pick(10));
        if (after || pick(2) || before == 0) s += '.';
        for (int i = 0; i < after || (before == 0 && i == 0); ++i) s += static_cast<char>('0' + pick(10));
        if (pick(3)) {
            s += letters[pick(4)];
            if (pick(2)) s += "+-"[pick(2)];
            s += std::to_string(pick(2) ? pick(30) : pick(4) ? pick(330) : pick(100000));
        }
        expect_as_strtod(s);
        if (HasFailure()) return;
    }
}

}  // namespace


namespace {

using namespace tvk::io;

// Edges of the one-operation conversion: mantissas about 2^53 (the largest exact integer and
// the ones past it), 16 to 19 digits, exponents at and beyond +-22, leading and trailing zeros
// that push the digit count past 19, and signs; each must match strtod bit for bit.
TEST(ListRead, OneOperationConversionEdgesAsStrtod) {
    for (const char* s :
         {"9007199254740992", "9007199254740993", "9007199254740991e22", "9007199254740992e-22", "9007199254740993e-22",
          "900719925474099.2", "1234567890123456789", "1234567890123456789e-22", "12345678901234567890",
          "0.0000000000000000001", "0.00000000000000000001", "00000000000000000001", "000000000000000000001e3",
          "1e22", "1e23", "1e-22", "1e-23", "9e22", "123e-25", "123.456e-20", "-0.1", "+0.1d+0", "1D22", "1d-22",
          "4.35", "0.3", "-45", "1e0000", "1e00022", "1e00023", "5.e-1", ".25E+1", "100000000000000000000e-22"})
        expect_as_strtod(s);
    // Random mantissas of 1 to 19 digits with small exponents: the range of the one-operation
    // path and its edges, both sides.
    std::mt19937_64 rng(31);
    for (int k = 0; k < 100000; ++k) {
        const int digits = 1 + static_cast<int>(rng() % 19);
        std::string s = rng() % 4 == 0 ? "-" : "";
        for (int i = 0; i < digits; ++i) s += static_cast<char>('0' + rng() % 10);
        if (rng() % 2) {
            const std::size_t at = s.size() - static_cast<std::size_t>(rng() % static_cast<unsigned>(digits));
            s = s.substr(0, at) + "." + s.substr(at);
        }
        if (rng() % 3) s += "eEdD"[rng() % 4] + std::to_string(static_cast<int>(rng() % 61) - 30);
        expect_as_strtod(s);
        if (HasFailure()) return;
    }
}

// Integers of the short path (at most nine digits) and past it read as the reference reads them.
TEST(ListRead, IntegersAsTheReference) {
    std::mt19937_64 rng(32);
    for (int k = 0; k < 50000; ++k) {
        const int digits = 1 + static_cast<int>(rng() % 12);
        const char* const signs[] = {"", "+", "-"};
        std::string s = signs[rng() % 3];
        for (int i = 0; i < digits; ++i) s += static_cast<char>('0' + rng() % 10);
        const long long want = std::strtoll(s.c_str(), nullptr, 10);
        int got = 7;
        const int st = parse_int(s, got);
        if (want > INT_MAX || want < INT_MIN) {
            EXPECT_EQ(st, err_overflow) << s;
            EXPECT_EQ(got, 7) << s;
        } else {
            ASSERT_EQ(st, ok) << s;
            EXPECT_EQ(got, want) << s;
        }
        if (HasFailure()) return;
    }
}

// The scan that finds and converts items in one pass gives, item by item, what the item scan
// followed by parse_real / parse_int gives: the same null items, statuses and values (bit for
// bit), the same end at a slash, for records of numbers, bad items, commas, slashes, blanks and
// tabs in any mix, long enough to cover several words of the item count.
template <class T>
void expect_scan_as_items(const std::string& rec) {
    ListScanner a(rec), b(rec);
    ListItem it;
    for (;;) {
        T x{}, y{};
        bool null = false;
        int st = ok;
        const bool more = a.next_value(x, null, st);
        ASSERT_EQ(more, b.next(it)) << "'" << rec << "'";
        if (!more) break;
        ASSERT_EQ(null, it.null) << "'" << rec << "'";
        if (null) continue;
        int want = ok;
        if constexpr (std::is_same_v<T, double>) want = parse_real(it.text, y);
        else want = parse_int(it.text, y);
        ASSERT_EQ(st, want) << "'" << rec << "' item '" << it.text << "'";
        if (st == ok) {
            ASSERT_EQ(std::memcmp(&x, &y, sizeof x), 0) << "'" << rec << "' item '" << it.text << "'";
        }
    }
    ASSERT_EQ(a.slashed(), b.slashed()) << "'" << rec << "'";
}

TEST(ListRead, OneScanConversionAgreesWithItemConversion) {
    std::mt19937 rng(33);
    const char* pieces[] = {"1",    "-2.5", "+.5",  "3.",   "1e5",  "2D-3", "12345678901234567890", "0.1",
                            "1e400", "1e",   "x",    "3*1",  "7-",   "..",   "-",    "+",    "1.5e+",
                            "2147483648",    "-2147483648",   "999999999", "0e999"};
    const char* seps[] = {" ", "  ", "\t", ",", " , ", ",,", " / ", "/", ""};
    for (int round = 0; round < 20000; ++round) {
        std::string rec;
        const int n = static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) {
            rec += seps[rng() % (round % 3 ? 4 : 9)];
            rec += pieces[rng() % std::size(pieces)];
        }
        if (rng() % 2) rec += seps[rng() % 9];
        expect_scan_as_items<double>(rec);
        expect_scan_as_items<int>(rec);
        ASSERT_EQ(count_items(rec), [&] {
            ListScanner sc(rec);
            ListItem it;
            int c = 0;
            while (sc.next(it)) ++c;
            return c;
        }()) << "'" << rec << "'";
        if (HasFailure()) return;
    }
}

}  // namespace
