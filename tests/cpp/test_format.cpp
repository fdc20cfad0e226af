// Formatted output records: edit descriptors against the text a Fortran runtime writes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/format.h"

namespace {

using tvk::io::format;
using tvk::io::Format;

constexpr double inf = std::numeric_limits<double>::infinity();

// One real written with a format between brackets, so blanks stay visible.
std::string F(const char* desc, double x) { return format(std::string("('[',") + desc + ",']')", {x}); }

TEST(Format, FixedPointRoundingSignAndLeadingZero) {
    EXPECT_EQ(F("F5.2", 0.125), "[ 0.12]");   // an exact tie goes to even
    EXPECT_EQ(F("F5.2", 0.135), "[ 0.14]");   // 0.135 is slightly above the tie in binary
    EXPECT_EQ(F("F5.2", -0.001), "[-0.00]");  // the sign of a value rounding to zero stays
    EXPECT_EQ(F("F5.2", -0.0), "[-0.00]");
    EXPECT_EQ(F("F5.1", -0.04), "[ -0.0]");
    EXPECT_EQ(F("F4.3", 0.125), "[.125]");    // no room for the leading zero
    EXPECT_EQ(F("F4.3", -0.125), "[****]");
    EXPECT_EQ(F("F5.0", 0.4), "[   0.]");
    EXPECT_EQ(F("F5.0", 2.5), "[   2.]");
    EXPECT_EQ(F("F0.3", 0.125), "[.125]");
    EXPECT_EQ(F("F0.3", -12.5), "[-12.500]");
    EXPECT_EQ(F("F0.1", -0.04), "[-.0]");
    EXPECT_EQ(F("F0.0", 0.4), "[0.]");
    EXPECT_EQ(F("F3.1", 12.5), "[***]");
    EXPECT_EQ(F("F6.2", 1234.5), "[******]");
    EXPECT_EQ(F("F10.3", 4.9e-324), "[     0.000]");
}

TEST(Format, ExponentForms) {
    EXPECT_EQ(F("E12.4", 0.125), "[  0.1250E+00]");
    EXPECT_EQ(F("E12.4", -123456.0), "[ -0.1235E+06]");
    EXPECT_EQ(F("E10.4", -123456.0), "[-.1235E+06]");
    EXPECT_EQ(F("E9.4", -123456.0), "[*********]");
    EXPECT_EQ(F("E12.4", 1e120), "[  0.1000+121]");  // three exponent digits drop the letter
    EXPECT_EQ(F("E12.4", 1e-120), "[  0.1000-119]");
    EXPECT_EQ(F("E12.4", -1e-300), "[ -0.1000-299]");
    EXPECT_EQ(F("E12.4E3", 1e-120), "[ 0.1000E-119]");
    EXPECT_EQ(F("E12.4E1", 1e-12), "[************]");
    EXPECT_EQ(F("E12.4", 0.0), "[  0.0000E+00]");
    EXPECT_EQ(F("E10.3", 9.9996), "[ 0.100E+02]");  // rounding carries into the exponent
    EXPECT_EQ(F("E12.4", 4.9e-324), "[  0.4941-323]");
    EXPECT_EQ(F("D12.4", 0.5), "[  0.5000D+00]");
}

TEST(Format, ScaleFactorShiftsDigitsAndStays) {
    EXPECT_EQ(F("1PE12.4", 0.125), "[  1.2500E-01]");
    EXPECT_EQ(F("2PE12.4", 0.125), "[  12.500E-02]");
    EXPECT_EQ(F("-1PE12.4", 0.125), "[  0.0125E+01]");
    EXPECT_EQ(F("1PF8.3", 0.125), "[   1.250]");
    EXPECT_EQ(F("2P,F8.3", 0.125), "[  12.500]");
    EXPECT_EQ(F("-2P,F8.3", 125.0), "[   1.250]");
    EXPECT_EQ(format("('[',1P,E12.4,F8.3,']')", {0.125, 0.125}), "[  1.2500E-01   1.250]");
}

TEST(Format, InfinityAndNaN) {
    const double nan = std::nan("");
    EXPECT_EQ(F("F8.3", inf), "[Infinity]");
    EXPECT_EQ(F("F8.3", -inf), "[    -Inf]");
    EXPECT_EQ(F("F9.3", -inf), "[-Infinity]");
    EXPECT_EQ(F("F9.3", inf), "[ Infinity]");
    EXPECT_EQ(F("F7.3", inf), "[    Inf]");
    EXPECT_EQ(F("F3.3", inf), "[Inf]");
    EXPECT_EQ(F("F3.1", -inf), "[***]");
    EXPECT_EQ(F("F4.1", -inf), "[-Inf]");
    EXPECT_EQ(F("F8.3", nan), "[     NaN]");
    EXPECT_EQ(F("F2.1", nan), "[**]");
    EXPECT_EQ(F("E12.4", -inf), "[   -Infinity]");
}

TEST(Format, IntegersAndText) {
    EXPECT_EQ(format("('[',I5,']')", {-42}), "[  -42]");
    EXPECT_EQ(format("('[',I2,']')", {-42}), "[**]");
    EXPECT_EQ(format("('[',I5.3,']')", {7}), "[  007]");
    EXPECT_EQ(format("('[',I3.0,']')", {0}), "[   ]");
    EXPECT_EQ(format("('[',I0,']')", {-42}), "[-42]");
    EXPECT_EQ(format("('[',I12,']')", {static_cast<long long>(std::numeric_limits<long long>::min())}), "[************]");
    EXPECT_EQ(format("('[',A,']')", {"abc"}), "[abc]");
    EXPECT_EQ(format("('[',A5,']')", {"abc"}), "[  abc]");
    EXPECT_EQ(format("('[',A2,']')", {"abc"}), "[ab]");
    EXPECT_EQ(format("(\"it\"\"s\",1X,'a''b')", {}), "it\"s a'b");
}

TEST(Format, PositioningAndRecords) {
    EXPECT_EQ(format("(I3,5X)", {1}), "  1");  // skipped positions at the end are not written
    EXPECT_EQ(format("(I3,T10,I2,T2,'x')", {1, 2}), " x1       2");
    EXPECT_EQ(format("(I3,TL2,I2,TR3,I1)", {100, 22, 3}), "122   3");
    EXPECT_EQ(format("(I2/I3)", {1, 2}), " 1\n  2");
    EXPECT_EQ(format("(I2,2/I3)", {1, 2}), " 1\n\n  2");
    EXPECT_EQ(format("(' a=',I3,' b=',I3)", {1}), " a=  1 b=");  // stops at the data descriptor
    EXPECT_EQ(format("(a8,a8,a25,a25,a25)", {"NOEL", "NPT", "x", "y", "z"}),
              "    NOEL     NPT" + std::string(24, ' ') + "x" + std::string(24, ' ') + "y" + std::string(24, ' ') + "z");
}

TEST(Format, ReversionToTheLastGroup) {
    EXPECT_EQ(format("(2(I2,','))", {1, 2, 3, 4, 5}), " 1, 2,\n 3, 4,\n 5,");
    EXPECT_EQ(format("(I2,2(I3,'|'))", {1, 2, 3, 4, 5, 6}), " 1  2|  3|\n  4|  5|\n  6|");
    EXPECT_EQ(format("(I2)", {1, 2}), " 1\n 2");
    EXPECT_EQ(format("(2(1X,2(I1)))", {1, 2, 3, 4, 5}), " 12 34\n 5");
}

TEST(Format, RefusedFormatsAndItems) {
    for (const char* bad : {"I5", "(I5", "(Q5)", "(F5)", "(E0.3)", "(3'x')", "(T0)", "(I5))", "('open)"})
        EXPECT_FALSE(Format(bad).valid()) << bad;
    std::vector<std::string> recs;
    EXPECT_FALSE(Format("(F8.3)").records({1}, recs));          // integer for a real descriptor
    EXPECT_FALSE(Format("(I3)").records({1.0}, recs));          // real for an integer descriptor
    EXPECT_FALSE(Format("(I3,('x'))").records({1, 2}, recs));   // no descriptor left for item 2
    EXPECT_TRUE(recs.empty());
    EXPECT_EQ(format("('x')", {}), "x");
}

}  // namespace
