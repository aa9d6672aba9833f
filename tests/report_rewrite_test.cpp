// Rewrites of the report on a mapped drive that keep the old content's file
// beside the report for the next rewrite: every rewrite leaves the exact
// content, nothing else is ever written into, and Settle (or the end of the
// file layer) leaves the folder as it found it.
#ifdef TARNWICK_POSIX_FILES

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tests/case_names.h"
#include "report_test_files.h"

namespace tarnwick {
namespace {

using testing_files::ReadHost;
using testing_files::ScratchFolder;

constexpr const char* kReport = "C:\\SystemInfo.ini";

std::uint64_t Inode(const std::string& hostPath) {
  struct stat info {};
  return ::lstat(hostPath.c_str(), &info) == 0 ? info.st_ino : 0;
}

// The names of the folder other than the given ones.
std::vector<std::string> Others(const ScratchFolder& folder, const std::vector<std::string>& known) {
  std::vector<std::string> others;
  for (const std::string& name : folder.Names()) {
    if (std::find(known.begin(), known.end(), name) == known.end()) others.push_back(name);
  }
  return others;
}

struct SpareCase {
  const char* name;
  // Done to the folder before the third rewrite; spare is the kept file's
  // host path.
  void (*meddle)(const ScratchFolder& folder, const std::string& spare, const std::string& victim);
  bool spareReused;
  bool stillKept;  // after the third rewrite
  // The names left beside the report and the victim after Settle.
  std::vector<std::string> (*left)(const std::string& spareName);
};

void PrintTo(const SpareCase& c, std::ostream* out) { *out << c.name; }

class KeptFiles : public testing::TestWithParam<SpareCase> {};

TEST_P(KeptFiles, RewritesLeaveTheirContentAndTouchNothingElse) {
  const SpareCase& c = GetParam();
  ScratchFolder folder;
  const std::string report = folder.Host("SystemInfo.ini");
  const std::string victim = folder.Host("victim");
  testing_files::WriteHost(victim, "secret\n");
  MappedReportFiles files = testing_files::DriveCFiles(folder);

  ASSERT_TRUE(files.Append(kReport, "[A]\r\nk=1\r\n"));
  ASSERT_TRUE(files.ReplaceAgain(kReport, "[A]\r\nk=1\r\nn=22222222\r\n[B]\r\n"));
  const std::uint64_t first = Inode(report);
  ASSERT_TRUE(files.ReplaceAgain(kReport, "[A]\r\nk=1\r\nn=2\r\n[B]\r\n"));  // shorter
  EXPECT_EQ(ReadHost(report), "[A]\r\nk=1\r\nn=2\r\n[B]\r\n");
  const std::vector<std::string> kept = Others(folder, {"SystemInfo.ini", "victim"});
  ASSERT_EQ(kept.size(), 1u);
  const std::string spare = folder.Host(kept.front());
  EXPECT_EQ(Inode(spare), first) << "the old content's file is kept";

  c.meddle(folder, spare, victim);
  const std::uint64_t before = Inode(report);
  ASSERT_TRUE(files.ReplaceAgain(kReport, "[A]\r\nk=3\r\n"));
  EXPECT_EQ(ReadHost(report), "[A]\r\nk=3\r\n");
  EXPECT_EQ(Inode(report) == first, c.spareReused);
  EXPECT_EQ(ReadHost(victim), "secret\n");

  // An append across a page boundary rewrites through what is kept too.
  const std::string longLine = "x=" + std::string(static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)), 'x') + "\r\n";
  ASSERT_TRUE(files.Append(kReport, longLine));
  EXPECT_EQ(ReadHost(report), "[A]\r\nk=3\r\n" + longLine);
  if (c.stillKept) {
    EXPECT_EQ(Inode(report), before) << "the kept file took the content";
  }

  files.Settle(kReport);
  EXPECT_EQ(Others(folder, {"SystemInfo.ini", "victim"}), c.left(kept.front()));
  EXPECT_EQ(ReadHost(victim), "secret\n");
}

std::vector<std::string> Nothing(const std::string&) { return {}; }
std::vector<std::string> TheSpareNameAndMoved(const std::string& spare) { return {spare, "moved"}; }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Report, KeptFiles, testing::Values(
    SpareCase{"LeftAlone", [](const ScratchFolder&, const std::string&, const std::string&) {}, true, true, Nothing},
    // A link or another file at the kept file's name is never written into
    // nor removed (the kept file moved away stays, so its number is not
    // given to another file).
    SpareCase{"LinkPlantedAtItsName", [](const ScratchFolder& folder, const std::string& spare, const std::string& victim) {
        ASSERT_EQ(::rename(spare.c_str(), folder.Host("moved").c_str()), 0);
        ASSERT_EQ(::symlink(victim.c_str(), spare.c_str()), 0);
      }, false, true, TheSpareNameAndMoved},
    SpareCase{"HardLinkPlantedAtItsName", [](const ScratchFolder& folder, const std::string& spare, const std::string& victim) {
        ASSERT_EQ(::rename(spare.c_str(), folder.Host("moved").c_str()), 0);
        ASSERT_EQ(::link(victim.c_str(), spare.c_str()), 0);
      }, false, true, TheSpareNameAndMoved},
    // Known under a second name, it is no longer this layer's alone: that
    // name keeps its content, this layer's name goes.
    SpareCase{"GivenASecondName", [](const ScratchFolder& folder, const std::string& spare, const std::string&) {
        ASSERT_EQ(::link(spare.c_str(), folder.Host("other").c_str()), 0);
      }, false, true, [](const std::string&) { return std::vector<std::string>{"other"}; }},
    // A link at the report's name is replaced, not followed.
    SpareCase{"LinkPlantedAtTheReport", [](const ScratchFolder& folder, const std::string&, const std::string& victim) {
        const std::string report = folder.Host("SystemInfo.ini");
        ASSERT_EQ(::unlink(report.c_str()), 0);
        ASSERT_EQ(::symlink(victim.c_str(), report.c_str()), 0);
      }, true, false, Nothing}
), [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(KeptFiles, GoWithTheFileLayer) {
  ScratchFolder folder;
  {
    MappedReportFiles files = testing_files::DriveCFiles(folder);
    ASSERT_TRUE(files.Append(kReport, "[A]\r\n"));
    ASSERT_TRUE(files.ReplaceAgain(kReport, "[B]\r\n"));
    EXPECT_EQ(folder.Names().size(), 2u);
  }
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"SystemInfo.ini"});
  EXPECT_EQ(ReadHost(folder.Host("SystemInfo.ini")), "[B]\r\n");
}

}  // namespace
}  // namespace tarnwick

#endif
