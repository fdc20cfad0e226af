// Reading primitives of the card files on open units: data blocks, key searches, counts and the
// read-failure reports.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/errors.h"
#include "core/modeldata.h"
#include "error_record.h"
#include "core/units.h"
#include "input/cards.h"
#include "input/iohandling.h"

namespace {

namespace fs = std::filesystem;
using namespace tvk;

// A text file on a free unit, closed and removed afterwards; the error record starts clear.
struct OpenFile {
    fs::path path;
    int unit = -1;
    explicit OpenFile(const std::string& text) {
        path = fs::temp_directory_path() /
               ("tvk_cardio_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::ofstream(path, std::ios::binary) << text;
        const int first = 1, last = 120;
        unit = GetFreeUnitNumber(&first, &last);
        EXPECT_EQ(io::open_read(unit, path.string()), io::ok);
        int r, one = 1;
        rsxerr(&r, &one);
    }
    ~OpenFile() {
        io::close_unit(unit);
        fs::remove(path);
        int r, one = 1;
        rsxerr(&r, &one);
    }
    std::string next() {
        std::string_view rec;
        const int st = io::read_record(unit, rec);
        if (st == io::ok) return std::string(rec);
        std::string s = std::to_string(st);
        s.insert(s.begin(), '<');
        s.push_back('>');
        return s;
    }
    int size() {
        const int ls = 2;
        return getsizeofdata(&unit, "*+", &ls, 2);
    }
};

std::string errstring() { return std::string(errorhandling.errstring, 80); }
std::string padded(const std::string& s) { return s + std::string(80 - s.size(), ' '); }

TEST(CardIO, DataBlockEndsAtTheNextKeywordLine) {
    OpenFile f("1 2 3\n4,5\n+Thickness\n+Strength\n0.5\n");
    EXPECT_EQ(f.size(), 5);
    EXPECT_EQ(f.next(), "1 2 3");  // sizing leaves the unit where it stood
    io::rewind_unit(f.unit);
    std::vector<double> v(6, -1.0);
    const int n = 6;
    real_getdatapoints(&f.unit, v.data(), &n);
    EXPECT_EQ(v, (std::vector<double>{1, 2, 3, 4, 5, -1}));
    EXPECT_EQ(f.next(), "+Thickness");
    EXPECT_EQ(f.size(), 0);  // a keyword directly after: an empty block
    EXPECT_EQ(f.next(), "+Strength");
    EXPECT_EQ(f.size(), 1);  // a block that ends at the end of the file
    std::vector<int> iv(1, 0);
    const int one = 1;
    int_getdatapoints(&f.unit, iv.data(), &one);
    EXPECT_EQ(errorhandling.errstat, -2);  // 0.5 is no integer
    EXPECT_EQ(errstring(), padded("Error: Error in GetDataPointsRead operation exited with an error."));
    EXPECT_EQ(iv[0], 0);
}

TEST(CardIO, BlockAtTheEndOfTheFileIsReadWhole) {
    OpenFile f("+Cycle\n1\n\n2 3\n");
    f.next();
    std::vector<double> v(3, 0.0);
    const int n = 3;
    real_getdatapoints(&f.unit, v.data(), &n);
    EXPECT_EQ(v, (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(f.next(), "<-1>");  // the next read reports the end of the file
}

TEST(CardIO, BlockLongerThanItsArrayStoresWhatFits) {
    OpenFile f("1 2 3 4\n");
    double v[2] = {0, 0};
    const int n = 2;
    real_getdatapoints(&f.unit, v, &n);
    EXPECT_EQ(v[0], 1.0);
    EXPECT_EQ(v[1], 2.0);
    EXPECT_EQ(errstring(), padded("Warning: card value outside table in GetDataPoints."));
}

TEST(CardIO, RecordsLongerThanTheDataWidth) {
    std::string line = "1 2";
    line.resize(256, ' ');
    OpenFile f(line + "99\n" + std::string(300, ' ') + "\n");
    EXPECT_EQ(f.size(), 2);  // the item beyond column 256 is not seen ...
    EXPECT_EQ(errstring(), padded("Warning: card record cut at its record width."));  // ... and reported
}

TEST(CardIO, XYBlocksMapLinesToRows) {
    OpenFile f("1 2 3\n4 5 6\n*End\n1 2 3 4 5\n*End\n");
    double xy[6] = {0};
    const int two = 2, three = 3, zero = 0;
    getxydatapoints(&f.unit, xy, &two, &three);
    EXPECT_EQ(std::vector<double>(xy, xy + 6), (std::vector<double>{1, 4, 2, 5, 3, 6}));
    EXPECT_EQ(errorhandling.errstat, 0);
    f.next();
    double keep[6] = {7, 7, 7, 7, 7, 7};
    getxydatapoints(&f.unit, keep, &two, &three);  // 5 items are not 2 x 3
    EXPECT_EQ(errorhandling.errstat, -2);
    EXPECT_EQ(errstring(), padded("Error: Error in GetXYDataPointsRead operation exited with an error."));
    EXPECT_EQ(keep[0], 7.0);
    getxydatapoints(&f.unit, keep, &zero, &three);  // no division by a zero row count
    EXPECT_EQ(keep[5], 7.0);
    int r, one = 1;
    rsxerr(&r, &one);
    io::rewind_unit(f.unit);
    getxydatapoints(&f.unit, keep, &three, &two);  // 6 items for 3 x 2: stored in row order
    EXPECT_EQ(std::vector<double>(keep, keep + 6), (std::vector<double>{1, 3, 5, 2, 4, 6}));
    f.next();
    getxydatapoints(&f.unit, keep, &two, &two);  // 5 items: 5 / 2 = 2 rows, the fifth is left over
    EXPECT_EQ(std::vector<double>(keep, keep + 4), (std::vector<double>{1, 3, 2, 4}));
    EXPECT_EQ(errstring(), padded("Warning: card value outside table in GetXYDataPoints."));
}

TEST(CardIO, KeySearchForwardWithinTheLimit) {
    OpenFile f("alpha\nbeta\n   Gamma 1\ndelta\n");
    const int fwd = 1, lkey = 5, three = 3, two = 2, back = 1;
    EXPECT_EQ(get2nextkey(&f.unit, &fwd, "GAMMA", &lkey, &two, nullptr, 5), 0);
    io::rewind_unit(f.unit);
    EXPECT_EQ(get2nextkey(&f.unit, &fwd, "GAMMA", &lkey, &three, nullptr, 5), 1);
    EXPECT_EQ(f.next(), "delta");
    io::rewind_unit(f.unit);
    EXPECT_EQ(get2nextkey(&f.unit, &fwd, "gamma", &lkey, &three, &back, 5), 1);
    EXPECT_EQ(f.next(), "   Gamma 1");  // returnkey 1 leaves the unit on the key record
    const int big = 400;                 // a key length beyond the keyword is clamped
    io::rewind_unit(f.unit);
    EXPECT_EQ(get2nextkey(&f.unit, &fwd, "delta", &big, &big, nullptr, 5), 1);
}

TEST(CardIO, KeySearchBackwardFromTheEnd) {
    OpenFile f("HEAD\nCYCLE 1 10\nother\nCYCLE 2 20\ntail\n");
    const int no = 0;
    EXPECT_EQ(GetFileLength(&f.unit, &no), 5);  // the unit stays at its end
    const int backward = -1, lkey = 5, lim = 10, keep = 1;
    EXPECT_EQ(get2nextkey(&f.unit, &backward, "CYCLE", &lkey, &lim, &keep, 5), 1);
    EXPECT_EQ(f.next(), "CYCLE 2 20");
    EXPECT_EQ(get2nextkey(&f.unit, &backward, "CYCLE", &lkey, &lim, nullptr, 5), 1);
    EXPECT_EQ(f.next(), "other");  // found CYCLE 1; the unit stands after it
    EXPECT_EQ(get2nextkey(&f.unit, &backward, "NONE!", &lkey, &lim, nullptr, 5), 0);
}

TEST(CardIO, CountsRewindUnlessAskedNotTo) {
    OpenFile f("*Step\n  *STEP, name=x\n*Stepper\n*End Step\n");
    const int lkey = 5, no = 0;
    EXPECT_EQ(getnumberofkeywords(&f.unit, "*step", &lkey, nullptr, 5), 3);
    EXPECT_EQ(f.next(), "*Step");
    EXPECT_EQ(getnumberofkeywords(&f.unit, "*step", &lkey, &no, 5), 2);
    EXPECT_EQ(f.next(), "<5005>");  // left after the end-of-file marker
    EXPECT_EQ(GetFileLength(&f.unit, nullptr), 0);
    EXPECT_EQ(errstring(), padded("Error: Error in GetFileLengthRead operation exited with an error."));
    io::rewind_unit(f.unit);
    EXPECT_EQ(GetFileLength(&f.unit, nullptr), 4);
    EXPECT_EQ(f.next(), "*Step");
    const int back = 1;
    RewindFile(&f.unit, &back);
    EXPECT_EQ(f.next(), "*Step");
}

TEST(CardIO, UnitsByNameAndFreeNumbers) {
    OpenFile f("x\n");
    const std::string name = f.path.string() + "   ";
    EXPECT_EQ(getunitnumber(name.data(), name.size()), f.unit);
    EXPECT_EQ(getunitnumber("/no/such/file", 13), -1);
    const int five = 5, four = 4;
    EXPECT_EQ(GetFreeUnitNumber(&five, &four), -1);
    // Units that are not open fail visibly, never silently.
    const int closed = 119, lkey = 1, lim = 1;
    EXPECT_EQ(get2nextkey(&closed, &lkey, "x", &lkey, &lim, nullptr, 1), 0);
    EXPECT_EQ(errstring(), padded("Error: Error in Get2NextKeyRead operation exited with an error."));
}

TEST(CardIO, PathFieldWithAZeroByteInsideIsRefusedNotCut) {
    // A fixed-length field may be blank-padded or filled with a C string (zero bytes after it);
    // a zero byte with text after it would name the folder cut there, which holds a card.
    const fs::path dir = fs::temp_directory_path() / ("tvk_cardio_nul_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "StepCard.tvk") << "++Begin Step\n+Update, TYPE=INC\n4\n++End Step\n";
    const std::string folder = dir.string();
    const auto read = [](const std::string& deck, const std::string& ws) {
        debugdata.nupdate = 1;
        tvktest::clear_errors();
        const int nsteps = 1;
        getstepdatafromfile(deck.data(), ws.data(), &nsteps, deck.size(), ws.size());
        return debugdata.nupdate;
    };
    std::string padded_zero = folder, padded_blank = folder;
    padded_zero.resize(256, '\0');
    padded_blank.resize(256, ' ');
    for (const std::string& ws : {folder, padded_zero, padded_blank}) {
        EXPECT_EQ(read("", ws), 4);
        EXPECT_EQ(errorhandling.errstat, 0);
    }
    std::string inner_folder = folder + std::string("\0/x", 3), inner_deck = (dir / "StepCard.tvk").string();
    inner_deck.insert(inner_deck.size() - 4, 1, '\0');  // ".../StepCard\0.tvk"
    for (const auto& [deck, ws] : {std::pair{std::string(), inner_folder}, std::pair{inner_deck, std::string()},
                                   std::pair{inner_deck, folder}}) {
        EXPECT_EQ(read(deck, ws), 1);
        EXPECT_EQ(errorhandling.errstat, -3);
        EXPECT_EQ(tvktest::errtext(), "Error: path with an embedded zero byte in getstepdatafromfile.");
    }
    fs::remove_all(dir);
}

TEST(CardIO, DamageRowsTakeTheirMiddleValues) {
    OpenFile f("1 2.5 1.5 0\n2 3.0 2.0 0 9\n+End\n1 1 1 0 2 2 2 0\n");
    double xdds[6] = {0, 0, -1, 0, 0, -1};
    const int two = 2, one = 1;
    getddsfromfile(&f.unit, xdds, &two);
    EXPECT_EQ(std::vector<double>(xdds, xdds + 6), (std::vector<double>{2.5, 1.5, -1, 3.0, 2.0, -1}));
    EXPECT_EQ(errorhandling.errstat, 0);  // a trailing incomplete row is ignored
    f.next();
    getddsfromfile(&f.unit, xdds, &one);  // two rows for one ply
    EXPECT_EQ(xdds[0], 1.0);
    EXPECT_EQ(xdds[3], 3.0);
    EXPECT_EQ(errstring(), padded("Warning: card value outside table in getddsfromfile."));
}

TEST(CardIO, TextSearchFindsWordsInAnyCaseAtAnyPlace) {
    // Against a plain search of every position, on random texts over a small alphabet (so that
    // partial matches and repeated first characters are common) and at the edges of the text.
    const auto plain = [](std::string_view s, std::string_view w) {
        const auto low = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        for (std::size_t p = 0; p + w.size() <= s.size(); ++p) {
            std::size_t k = 0;
            while (k < w.size() && low(s[p + k]) == low(w[k])) ++k;
            if (k == w.size()) return true;
        }
        return w.empty();
    };
    EXPECT_TRUE(cards::contains_text("  n o d e   d e f", "N O D E"));
    EXPECT_TRUE(cards::contains_text("TYPE=Rate", "type=rate"));
    EXPECT_FALSE(cards::contains_text("TYPE=Rat", "TYPE=RATE"));
    EXPECT_TRUE(cards::contains_text("", ""));
    EXPECT_FALSE(cards::contains_text("", "a"));
    std::mt19937 rng(11);
    const std::string alphabet = "aAbB= 1";
    const auto text = [&](std::size_t n) {
        std::string t;
        for (std::size_t i = 0; i < n; ++i) t += alphabet[rng() % alphabet.size()];
        return t;
    };
    for (int k = 0; k < 20000; ++k) {
        const std::string s = text(rng() % 40), w = text(1 + rng() % 4);
        ASSERT_EQ(cards::contains_text(s, w), plain(s, w)) << '"' << s << "\" \"" << w << '"';
    }
}

}  // namespace

