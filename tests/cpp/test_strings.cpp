// Keyword and string toolkit: fixed-length, blank-padded text.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/strings.h"

namespace {

using std::string;

int Tally(const string& s, const string& t, int cs) { return tally(s.data(), t.data(), &cs, s.size(), t.size()); }
string Extract(const string& s, const string& k1, const string& k2, int n) {
    string r(n, '?');
    extract(r.data(), s.data(), k1.data(), k2.data(), &n, r.size(), s.size(), k1.size(), k2.size());
    return r;
}
string Replace(const string& s, const string& t, const string& r, int n) {
    string out(n, '?');
    replacetext(s.data(), t.data(), r.data(), out.data(), &n, s.size(), t.size(), r.size(), out.size());
    return out;
}
int Count(const string& s) { return countitems(s.data(), s.size()); }
std::pair<int, int> Str2Int(const string& s) {
    int v = -99, st = 99;
    str2int(s.data(), &v, &st, s.size());
    return {v, st};
}
string Pad(const string& s, std::size_t n) { return s + string(n - s.size(), ' '); }

TEST(Keywords, CaseFoldingAndBlanks) {
    EXPECT_EQ(match("   ", "", 3, 0), 1);
    EXPECT_EQ(match("\xC4", "\xE4", 1, 1), 0);  // only ASCII letters fold
    EXPECT_EQ(occurs("  +Failure", "fail  ", 10, 6), 1);
    EXPECT_EQ(Tally("aaa", "aa", 1), 2);
    EXPECT_EQ(Tally("abc", "   ", 1), 4);           // a blank text counts len(s) + 1
    EXPECT_EQ(Tally("  ab ab", "ab", 0), 2);        // leading blanks move to the end
    string a = "aa", b = "bb";
    int n = 0;
    split(a.data(), b.data(), "x=y", "=", &n, 2, 2, 3, 1);
    EXPECT_EQ(a + b, "aabb");  // n < 1 leaves both alone
}

TEST(Keywords, ExtractStaysInsideTheText) {
    EXPECT_EQ(Extract("(a)(b c)", "(", ")", 4), Pad("b c", 4));  // after the last start key
    EXPECT_EQ(Extract("key=(12", "(", ")", 4), string(4, ' '));   // stop key does not follow
    EXPECT_EQ(Extract("abc", "", "", 3), string(3, ' '));
    EXPECT_EQ(Extract("abc(", "(", "", 2), string(2, ' '));
    EXPECT_EQ(Extract("", "  ", ")", 2), string(2, ' '));
}

TEST(Keywords, CountItems) {
    EXPECT_EQ(Count("a,,b"), 3);
    EXPECT_EQ(Count("a ,b"), 3);
    EXPECT_EQ(Count("a, b"), 2);
    EXPECT_EQ(Count(",a"), 1);
    EXPECT_EQ(Count("1\t2"), 2);
    EXPECT_EQ(Count("    "), 0);
    EXPECT_EQ(Count(string("1 2\0  ", 6)), 2);  // a final NUL ends the text
}

TEST(IntegerIO, ListDirectedRead) {
    EXPECT_EQ(Str2Int("-7,8"), std::make_pair(-7, 0));
    EXPECT_EQ(Str2Int("\t3/"), std::make_pair(3, 0));
    EXPECT_EQ(Str2Int("2*5"), std::make_pair(5, 0));
    EXPECT_EQ(Str2Int("-2147483648"), std::make_pair(-2147483647 - 1, 0));
    // Failures leave the value alone and give a nonzero status.
    for (const char* bad : {"abc", "12a", "1.5", "-", "0*4"}) EXPECT_EQ(Str2Int(bad), std::make_pair(-99, tvk::text::io_bad)) << bad;
    EXPECT_EQ(Str2Int("2147483648"), std::make_pair(-99, tvk::text::io_overflow));
    EXPECT_EQ(Str2Int("99999999999999999999999"), std::make_pair(-99, tvk::text::io_overflow));
    EXPECT_EQ(Str2Int("    "), std::make_pair(-99, tvk::text::io_end));
    // Null values: nothing read, no error.
    EXPECT_EQ(Str2Int(" ,5"), std::make_pair(-99, 0));
    EXPECT_EQ(Str2Int("3*"), std::make_pair(-99, 0));
}

TEST(IntegerIO, FormattedJoinNeverOverruns) {
    string ca(5, '?');
    int v = 123456, st = 0, n = 5;
    int2str(&v, ca.data(), &st, &n, ca.size());
    EXPECT_NE(st, 0);
    EXPECT_EQ(ca, string(5, ' '));

    auto fmt = [](const string& aw, int jmax, int sout) {
        const std::vector<int> j{1, 22, 333, -4};  // 2 x 2
        int rows = 2, cols = 2;
        string out(sout, '?'), f = Pad(aw, 8);
        int2aformat(out.data(), j.data(), f.data(), &jmax, &sout, &rows, &cols, out.size(), f.size());
        return out;
    };
    EXPECT_EQ(fmt("(i4.2)", 4, 12), Pad("0122333-04", 12));
    EXPECT_EQ(fmt("(1X,I3)", 4, 12), Pad("122333-4", 12));
    EXPECT_EQ(fmt("(I2)", 4, 12), Pad("122**-4", 12));   // Iw too narrow: asterisks
    EXPECT_EQ(fmt("(F5.1)", 3, 12), string(12, '*'));   // not an integer format
    EXPECT_EQ(fmt("(I9)", 4, 12), string(12, '*'));     // wider than the field
    EXPECT_EQ(fmt("(I0)", 4, 5), "12233");               // cut to sout
}

TEST(Conversions, ReplaceEndsAndOutputsAreCut) {
    EXPECT_EQ(Replace("a--b", "-", " ", 4), "ab  ");      // a blank replacement deletes
    EXPECT_EQ(Replace("abc", "   ", "x", 3), "abc");      // a blank text replaces nothing
    EXPECT_EQ(Replace("a.b", ".", "..", 6), "a..b  ");    // rep holding the text ends
    EXPECT_EQ(Replace("aaa", "a", "aa", 4), "aaaa");      // and is cut to nout
    EXPECT_EQ(Replace("abab", "ab", "ba", 4), "bbaa");    // search restarts at the beginning
    string r(3, '?');
    int n = 3, nx = 9;
    reduceblanks("a  b  c", r.data(), &n, 7, r.size());
    EXPECT_EQ(r, "a b");
    spack("a1b2c3d4", "1234", r.data(), &n, &nx, 8, 4, r.size());
    EXPECT_EQ(r, "123");
    lowercase(r.data(), "AB", &n, r.size(), 2);  // beyond the text: blanks
    EXPECT_EQ(r, "ab ");
    int ia[2];
    n = 2;
    str2ascii(ia, "\xff", &n, 1);
    EXPECT_EQ(ia[0], 255);
    EXPECT_EQ(ia[1], 32);
}

TEST(Conversions, NulTerminatedLengths) {
    const string withnul("ab\0  ", 5);
    EXPECT_EQ(clen(withnul.data(), withnul.size()), 2);
    EXPECT_EQ(clen_trim(withnul.data(), withnul.size()), 2);
    EXPECT_EQ(clen("ab  ", 4), 4);
    EXPECT_EQ(clen_trim("ab  ", 4), 2);
    EXPECT_EQ(clen("   ", 3), 3);
    EXPECT_EQ(clen_trim("   ", 3), 0);
    string r(4, '?');
    int n = 4;
    ctrim(r.data(), withnul.data(), &n, r.size(), withnul.size());
    EXPECT_EQ(r, "ab  ");
}

}  // namespace
