// Checks as files: the header of a rule file, a desk's own folder beside the
// installed one, and a query SQLite refuses.
#include <gtest/gtest.h>

#include "desk/checks.h"
#include "desk/desk_output.h"
#include "desk/rules.h"
#include "tests/desk_test_reports.h"
#include "tests/report_test_files.h"

namespace tarnwick::desk {
namespace {

constexpr std::string_view kQuery = "SELECT section, key, value FROM entries WHERE key = 'Tool Version'";

struct HeaderCase {
  const char* name;
  std::string header;
  const char* error;  // empty: read, with the title and advice below
  const char* title = "";
  const char* advice = "";
};

class DeskRuleHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(DeskRuleHeader, ReadOrRefusedWithTheReason) {
  const HeaderCase& row = GetParam();
  std::string error;
  const auto rule = ParseRule(row.header + std::string(kQuery), "x.sql", error);
  EXPECT_EQ(error, row.error);
  if (*row.error != '\0') return;
  ASSERT_TRUE(rule);
  EXPECT_EQ(rule->title, row.title);
  EXPECT_EQ(rule->advice, row.advice);
  EXPECT_EQ(rule->query, kQuery);
}

const HeaderCase kHeaders[] = {
    {"Complete", "-- id: a\n-- severity: note\n-- title: T\n-- advice: A\n", "", "T", "A"},
    {"ContinuedAdvice", "-- id: a\n-- severity: note\n-- title: T: colon kept\n-- advice: one\n--   two\n--\n", "",
     "T: colon kept", "one two"},
    {"CrLfFile", "-- id: a\r\n-- severity: note\r\n-- title: T\r\n-- advice: A\r\n", "", "T", "A"},
    {"NoAdvice", "-- id: a\n-- severity: note\n-- title: T\n", "x.sql: a rule needs id, severity, title, advice and a query"},
    {"BadSeverity", "-- id: a\n-- severity: fatal\n-- title: T\n-- advice: A\n",
     "x.sql: severity must be problem, warning or note, not \"fatal\""},
    {"BadScope", "-- id: a\n-- severity: note\n-- applies: mac\n-- title: T\n-- advice: A\n",
     "x.sql: applies must be windows, linux or all, not \"mac\""},
    {"UnknownField", "-- id: a\n-- owner: me\n", "x.sql: header line not understood: -- owner: me"},
};

INSTANTIATE_TEST_SUITE_P(Table, DeskRuleHeader, ::testing::ValuesIn(kHeaders),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DeskRules, ADesksFolderAddsAndReplacesChecks) {
  testing_files::ScratchFolder own;
  const std::string header = "-- severity: warning\n-- applies: windows\n-- title: Mine\n-- advice: A\n";
  testing_files::WriteHost(own.Host("old-directx.sql"), "-- id: old-directx\n" + header + std::string(kQuery));
  testing_files::WriteHost(own.Host("extra.sql"), "-- id: extra\n" + header + std::string(kQuery));
  testing_files::WriteHost(own.Host("notes.txt"), "not a check");
  RulesOrError rules = LoadRules({TARNWICK_SOURCE_DIR "/desk/rules", own.Path()});
  ASSERT_EQ(rules.error, "");
  std::string error;
  auto checker = Checker::Open(std::move(rules.rules), error);
  ASSERT_NE(checker, nullptr) << error;
  std::vector<std::string> raised;
  for (const Finding& finding : checker->RunChecks(testing::MustRead(testing::WithCrLf(testing::kCleanReport)))) {
    raised.push_back(finding.id + ":" + finding.title + ":" + finding.evidence.at(0).value);
  }
  EXPECT_EQ(raised, (std::vector<std::string>{"old-directx:Mine:2.5", "extra:Mine:2.5"}));
}

TEST(DeskRules, ARefusedQueryNamesItsFile) {
  std::string error;
  const auto rule = ParseRule("-- id: a\n-- severity: note\n-- title: T\n-- advice: A\nSELECT x FROM nowhere", "a.sql", error);
  ASSERT_TRUE(rule);
  EXPECT_EQ(Checker::Open({*rule}, error), nullptr);
  EXPECT_EQ(error, "a.sql: no such table: nowhere");
  const auto twice = ParseRule("-- id: b\n-- severity: note\n-- title: T\n-- advice: A\nSELECT 1; SELECT 2", "b.sql", error);
  EXPECT_EQ(Checker::Open({*twice}, error), nullptr);
  EXPECT_EQ(error, "b.sql: a check holds one query only");
}

TEST(DeskOutput, JsonOfAReportFromAMail) {
  Report report = testing::MustRead(testing::WithCrLf(testing::kCleanReport));
  report.mail = MailHeader{.from = "Anna <a@example.org>", .date = "", .subject = "Tuner", .messageId = "<1@x>"};
  const Finding finding{.id = "x", .severity = "note", .title = "T", .evidence = {{"A", "k", "v"}}, .advice = "Do"};
  const auto json = ReportJson(report, Summarise(report), {finding}, false);
  EXPECT_EQ(json["mail"].dump(), R"({"from":"Anna <a@example.org>","date":null,"subject":"Tuner","message_id":"<1@x>"})");
  EXPECT_EQ(json["findings"].dump(),
            R"([{"id":"x","severity":"note","title":"T","evidence":[{"section":"A","key":"k","value":"v"}],"advice":"Do"}])");
  EXPECT_EQ(json["summary"]["tuners"].dump(),
            R"([{"group":"Empia","number":"3","hardware_id":"USB\\VID_EB1A&PID_2861","provider":"Tarnwick","version":"5.2.1.0","date":"3-14-2008"}])");
  EXPECT_FALSE(json.contains("entries"));
  EXPECT_TRUE(json["summary"]["linux"].is_null());
}

}  // namespace
}  // namespace tarnwick::desk
