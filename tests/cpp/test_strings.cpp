// Keyword and string toolkit: fixed-length, blank-padded text.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/strings.h"

namespace {

using std::string;

int Match(const string& a, const string& b) { return match(a.data(), b.data(), a.size(), b.size()); }
int Occurs(const string& a, const string& b) { return occurs(a.data(), b.data(), a.size(), b.size()); }
int Tally(const string& s, const string& t, const int* cs = nullptr) {
    return tally(s.data(), t.data(), cs, s.size(), t.size());
}
std::pair<string, string> Split(const string& s, const string& d, int n) {
    string a(std::max(n, 0), '?'), b(std::max(n, 0), '?');
    split(a.data(), b.data(), s.data(), d.data(), &n, a.size(), b.size(), s.size(), d.size());
    return {a, b};
}
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
string Reduce(const string& s, int n) {
    string out(n, '?');
    reduceblanks(s.data(), out.data(), &n, s.size(), out.size());
    return out;
}
int Count(const string& s) { return countitems(s.data(), s.size()); }
std::pair<int, int> Str2Int(const string& s, int start = -99) {
    int v = start, st = 99;
    str2int(s.data(), &v, &st, s.size());
    return {v, st};
}
string Pad(const string& s, std::size_t n) { return s + string(n - s.size(), ' '); }

TEST(Keywords, MatchOccursTally) {
    EXPECT_EQ(Match("Elastic  ", "ELASTIC"), 1);
    EXPECT_EQ(Match(" Elastic", "Elastic"), 0);
    EXPECT_EQ(Match("   ", ""), 1);
    EXPECT_EQ(Match("Elastic", "Elastic2"), 0);
    EXPECT_EQ(Match("\xC4", "\xE4"), 0);  // only ASCII letters fold
    EXPECT_EQ(Occurs("+Failure, TYPE=Initiation", "type=initiation"), 1);
    EXPECT_EQ(Occurs("  +Failure", "fail  "), 1);
    EXPECT_EQ(Occurs("abc", "abcd"), 0);
    EXPECT_EQ(Tally("aaa", "aa"), 2);
    EXPECT_EQ(Tally("ABab", "ab"), 1);
    const int zero = 0;
    EXPECT_EQ(Tally("ABab", "ab", &zero), 2);
    EXPECT_EQ(Tally("abc", "   "), 4);     // a blank text counts len(s) + 1
    EXPECT_EQ(Tally("  ab ab", "ab", &zero), 2);  // leading blanks move to the end
}

TEST(Keywords, SplitAndExtract) {
    EXPECT_EQ(Split("TYPE=INC", "=", 8), std::make_pair(Pad("TYPE", 8), Pad("INC", 8)));
    EXPECT_EQ(Split("TYPE", "=", 8), std::make_pair(Pad("TYPE", 8), string(8, ' ')));
    EXPECT_EQ(Split("LONGKEY=1", "=", 3), std::make_pair(string("LON"), Pad("1", 3)));
    string a = "aa", b = "bb";
    int n = 0;
    split(a.data(), b.data(), "x=y", "=", &n, 2, 2, 3, 1);
    EXPECT_EQ(a + b, "aabb");  // n < 1 leaves both alone

    EXPECT_EQ(Extract("key=(12)", "(", ")", 8), Pad("12", 8));
    EXPECT_EQ(Extract("(a)(b c)", "(", ")", 4), Pad("b c", 4));  // after the last start key
    EXPECT_EQ(Extract("key=(12", "(", ")", 4), string(4, ' '));   // stop key does not follow
    // Degenerate keys stay inside the text.
    EXPECT_EQ(Extract("abc", "", "", 3).size(), 3u);
    EXPECT_EQ(Extract("abc(", "(", "", 2).size(), 2u);
    EXPECT_EQ(Extract("", "  ", ")", 2), string(2, ' '));
}

TEST(Keywords, CountItems) {
    EXPECT_EQ(Count("1.0  2.0,3.0"), 3);
    EXPECT_EQ(Count("a,,b"), 3);
    EXPECT_EQ(Count("a ,b"), 3);
    EXPECT_EQ(Count("a, b"), 2);
    EXPECT_EQ(Count(",a"), 1);
    EXPECT_EQ(Count("1\t2"), 2);
    EXPECT_EQ(Count("    "), 0);
    EXPECT_EQ(Count("x"), 1);
    EXPECT_EQ(Count(string("1 2\0  ", 6)), 2);  // a final NUL ends the text
}

TEST(IntegerIO, ListDirectedRead) {
    EXPECT_EQ(Str2Int("  42"), std::make_pair(42, 0));
    EXPECT_EQ(Str2Int("-7,8"), std::make_pair(-7, 0));
    EXPECT_EQ(Str2Int("+12 x"), std::make_pair(12, 0));
    EXPECT_EQ(Str2Int("\t3/"), std::make_pair(3, 0));
    EXPECT_EQ(Str2Int("2*5"), std::make_pair(5, 0));
    EXPECT_EQ(Str2Int("-2147483648"), std::make_pair(-2147483647 - 1, 0));
    // Failures leave the value alone and give a nonzero status.
    EXPECT_EQ(Str2Int("abc"), std::make_pair(-99, tvk::text::io_bad));
    EXPECT_EQ(Str2Int("12a"), std::make_pair(-99, tvk::text::io_bad));
    EXPECT_EQ(Str2Int("1.5"), std::make_pair(-99, tvk::text::io_bad));
    EXPECT_EQ(Str2Int("-"), std::make_pair(-99, tvk::text::io_bad));
    EXPECT_EQ(Str2Int("0*4"), std::make_pair(-99, tvk::text::io_bad));
    EXPECT_EQ(Str2Int("2147483648"), std::make_pair(-99, tvk::text::io_overflow));
    EXPECT_EQ(Str2Int("99999999999999999999999"), std::make_pair(-99, tvk::text::io_overflow));
    EXPECT_EQ(Str2Int("    "), std::make_pair(-99, tvk::text::io_end));
    EXPECT_EQ(Str2Int(""), std::make_pair(-99, tvk::text::io_end));
    // Null values: nothing read, no error.
    EXPECT_EQ(Str2Int(" ,5"), std::make_pair(-99, 0));
    EXPECT_EQ(Str2Int("3*"), std::make_pair(-99, 0));
}

TEST(IntegerIO, WriteAndFormattedJoin) {
    string ca(5, '?');
    int v = -42, st = 9, n = 5;
    int2str(&v, ca.data(), &st, &n, ca.size());
    EXPECT_EQ(ca, "-42  ");
    EXPECT_EQ(st, 0);
    v = 123456;
    int2str(&v, ca.data(), &st, &n, ca.size());
    EXPECT_NE(st, 0);
    EXPECT_EQ(ca, string(5, ' '));

    auto fmt = [](const std::vector<int>& j, int rows, int cols, const string& aw, int jmax, int sout) {
        string out(sout, '?');
        string f = Pad(aw, 8);
        int2aformat(out.data(), j.data(), f.data(), &jmax, &sout, &rows, &cols, out.size(), f.size());
        return out;
    };
    const std::vector<int> j{1, 22, 333, -4};  // 2 x 2
    EXPECT_EQ(fmt(j, 2, 2, "(I4)", 4, 12), Pad("122333-4", 12));
    EXPECT_EQ(fmt(j, 2, 2, "(i4.2)", 4, 12), Pad("0122333-04", 12));
    EXPECT_EQ(fmt(j, 2, 2, "(1X,I3)", 4, 12), Pad("122333-4", 12));
    EXPECT_EQ(fmt(j, 2, 2, "(I2)", 4, 12), Pad("122**-4", 12));   // Iw too narrow: asterisks
    EXPECT_EQ(fmt(j, 2, 2, "(F5.1)", 3, 12), string(12, '*'));   // not an integer format
    EXPECT_EQ(fmt(j, 2, 2, "(I9)", 4, 12), string(12, '*'));     // wider than the field
    EXPECT_EQ(fmt(j, 2, 2, "(I0)", 4, 5), "12233");               // cut to sout
    EXPECT_EQ(fmt(j, 2, 2, "I4", 4, 3), "***");                   // no parentheses
}

TEST(Conversions, ReplaceReduceAndPack) {
    EXPECT_EQ(Replace("a-b-c", "-", "+", 5), "a+b+c");
    EXPECT_EQ(Replace("a--b", "-", " ", 4), "ab  ");      // a blank replacement deletes
    EXPECT_EQ(Replace("abc", "   ", "x", 3), "abc");      // a blank text replaces nothing
    EXPECT_EQ(Replace("a.b", ".", "..", 6), "a..b  ");    // rep holding the text ends
    EXPECT_EQ(Replace("aaa", "a", "aa", 4), "aaaa");      // and is cut to nout
    EXPECT_EQ(Replace("abab", "ab", "ba", 4), "bbaa");    // search restarts at the beginning

    EXPECT_EQ(Reduce("  a   b  ", 10), Pad(" a b", 10));
    EXPECT_EQ(Reduce("a  b  c", 3), "a b");
    EXPECT_EQ(Reduce("   ", 2), "  ");

    string out(6, '?');
    int ns = 6, nx = 3;
    spack("a1b2c3", "123", out.data(), &ns, &nx, 6, 3, out.size());
    EXPECT_EQ(out, Pad("123", 6));
    ns = 2, nx = 9;  // more characters than fit; nx beyond the set's length
    string out2(2, '?');
    spack("a1b2c3", "123", out2.data(), &ns, &nx, 6, 3, out2.size());
    EXPECT_EQ(out2, "12");
}

TEST(Conversions, CaseTranslateAndCopies) {
    string r(6, '?');
    int n = 6;
    lowercase(r.data(), "AbC", &n, r.size(), 3);
    EXPECT_EQ(r, "abc   ");
    n = 2;
    uppercase(r.data(), "abc", &n, 2, 3);
    EXPECT_EQ(r.substr(0, 2), "AB");

    const int codes[] = {'a', 'b', 'X', 'Y'};  // 2 x 2: a -> X, b -> Y
    int nc = 2;
    n = 4;
    string t(4, '?');
    translate("abca", t.data(), codes, &n, &nc, 4, t.size());
    EXPECT_EQ(t, "XYcX");

    int ia[4];
    n = 4;
    str2ascii(ia, "A\xff", &n, 2);
    EXPECT_EQ(ia[0], 65);
    EXPECT_EQ(ia[1], 255);
    EXPECT_EQ(ia[3], 32);  // beyond the text: blank
    char ca[3];
    n = 3;
    copys2a("xy", ca, &n, 2, 1);
    EXPECT_EQ(string(ca, 3), "xy ");
    string s(3, '?');
    copya2s(ca, s.data(), &n, 1, s.size());
    EXPECT_EQ(s, "xy ");
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
    n = 3;
    inistringwithcharacter(r.data(), "*", &n, 3, 1);
    EXPECT_EQ(r.substr(0, 3), "***");
}

}  // namespace
