// The Gauss-point report where its record cannot be written: no free unit, and a close that the
// system refuses.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "core/errors.h"
#include "core/units.h"
#include "error_record.h"
#include "input/iohandling.h"

namespace {

namespace fs = std::filesystem;
using namespace tvk;

fs::path temp_folder() {
    const fs::path dir = fs::temp_directory_path() /
                         ("tvk_gpreport_" + std::to_string(::getpid()) + "_" +
                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string text_of(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(GaussPointReport, WithEveryUnitOfItsRangeOpenTheRecordIsReportedNotWritten) {
    const fs::path dir = temp_folder();
    const std::string held = (dir / "held.txt").string(), report = (dir / "job.rst").string();
    std::ofstream(held) << "x\n";
    struct Held {  // every unit of the range, closed again on every way out of the test
        ~Held() {
            for (int u = 1; u <= io::max_unit; ++u) io::close_unit(u);
        }
    } units;
    for (int u = 1; u <= io::max_unit; ++u) {
        if (u == 5 || u == 6) continue;  // never free
        ASSERT_EQ(io::open_read(u, held), io::ok) << u;
    }
    const double coord[3] = {0.125, -2.5, 10.0};
    const int noel = 17, npt = 3;
    tvktest::clear_errors();
    getgausspointreport(report.data(), coord, &noel, &npt, report.size());
    EXPECT_EQ(errorhandling.errstat, -2);
    EXPECT_EQ(tvktest::errtext(), "Warning: Gauss-point report not written, no free unit.");
    ASSERT_EQ(errorhandling.errintv.size(), 2);
    EXPECT_EQ(errorhandling.errintv.data()[0], noel);
    EXPECT_EQ(errorhandling.errintv.data()[1], npt);
    EXPECT_FALSE(fs::exists(report));
    // One unit freed, the last of the range: the record is written there and its unit closed.
    io::close_unit(io::max_unit);
    tvktest::clear_errors();
    getgausspointreport(report.data(), coord, &noel, &npt, report.size());
    EXPECT_EQ(errorhandling.errstat, 0);
    EXPECT_EQ(text_of(report), "    NOEL     NPT" + std::string(24, ' ') + "x" + std::string(24, ' ') + "y" +
                                   std::string(24, ' ') + "z\n      17       3" + std::string(15, ' ') +
                                   "0.12500000" + std::string(14, ' ') + "-2.50000000" + std::string(14, ' ') +
                                   "10.00000000\n");
    EXPECT_FALSE(io::is_connected(io::max_unit));
    tvktest::clear_errors();
    fs::remove_all(dir);
}

TEST(GaussPointReport, CloseOfAWritingUnitFailsWhereTheSystemRefusesItsBuffer) {
    const fs::path dir = temp_folder();
    const std::string path = (dir / "out.txt").string();
    // A record that fits the limit closes as written.
    ASSERT_EQ(io::open_append(9, path, true), io::ok);
    ASSERT_EQ(io::write_record(9, "fits"), io::ok);
    EXPECT_EQ(io::close_unit(9), io::ok);
    // Under a file-size limit the buffered record is taken, and refused at the close.
    EXPECT_EXIT(
        {
            std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the process
            rlimit lim{};
            ::getrlimit(RLIMIT_FSIZE, &lim);
            lim.rlim_cur = 5;  // the 5 bytes written above
            if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) std::_Exit(3);
            if (io::open_append(9, path, true) != io::ok || io::write_record(9, "refused") != io::ok) std::_Exit(2);
            std::_Exit(io::close_unit(9) == io::err_write ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(text_of(path), "fits\n");
    fs::remove_all(dir);
}

}  // namespace
