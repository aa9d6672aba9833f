#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "tests/case_names.h"
#include "platform/replay/machine_file.h"
#include "platform/replay/windows_path.h"

namespace tarnwick {
namespace {

struct Read {
  MachineFacts facts;
  std::optional<LoadError> error;
};

Read ReadJson(const std::string& text) {
  Read read;
  read.error = ReadMachineFile(text, "machine.json", read.facts);
  return read;
}

TEST(MachineFile, ReadsEveryField) {
  const Read read = ReadJson(R"({
    "executablePath": "D:\\Outils\\Tarnwick.exe",
    "windowsDirectory": "C:\\WINDOWS", "systemDirectory": "C:\\WINDOWS\\system32",
    "version": {"extended": false, "major": 5, "minor": 2, "build": 3790, "platformId": 2,
                "servicePack": "Service Pack 2", "suiteMask": 65535, "productType": 3,
                "architecture": 9, "serverR2": true},
    "user": {"name": "Jürgen € Ω", "groups": ["Administrators", "Users"]},
    "loadableLibraries": ["D3D10.DLL"],
    "memory": {"load": 4294967295, "totalPhys": 8589934592, "availPhys": 1, "availVirtual": 2},
    "power": {"hiberFilePresent": true},
    "files": {"C:\\Program Files\\\\App\\app.exe": {"version": "1.2.65535.0", "translation": false,
                                                   "signature": 0, "modified": "2008-02-29 23:59:59"},
              "C:\\bare.dll": {}},
    "devices": [["PCI\\VEN_1106", "*PNP0A03"], {"error": 13}, []],
    "waveOut": [{"capsFail": true}, {"name": "Realtek AC97 Audio", "manufacturerId": 65535, "support": 12}],
    "wmi": {"failAt": "connect", "resultSet": false,
            "baseBoards": [[["Product", "A8V"], ["Count", {"i4": -2147483648}], ["Small", {"i2": 32767}],
                            ["On", true], ["Nothing", null]], {"namesFail": true}]},
    "directShow": {"{e0f158e1-cb04-11d0-bd4e-00a0c911ce86}": [
        {"friendlyName": "USB 2861 Device #2", "tunerBus": {"eeprom": "1a eb 67\t95 0001", "failOffsets": [56, 255]}},
        {"storageFails": true, "objectFails": true}]},
    "someFutureField": {"anything": [1, 2, 3]}
  })");
  ASSERT_FALSE(read.error) << Describe(*read.error);
  const MachineFacts& f = read.facts;
  EXPECT_EQ(f.executablePath, "D:\\Outils\\Tarnwick.exe");
  EXPECT_EQ(f.systemDirectory, "C:\\WINDOWS\\system32");
  ASSERT_TRUE(f.version);
  EXPECT_FALSE(f.version->extended);
  EXPECT_EQ(f.version->record.build, 3790u);
  EXPECT_EQ(f.version->record.suiteMask, 0xFFFF);
  EXPECT_EQ(f.version->architecture, 9);
  EXPECT_TRUE(f.version->serverR2);
  EXPECT_EQ(f.user.name, "J\xFCrgen \x80 ?");  // Windows-1252, '?' for what it lacks
  EXPECT_EQ(f.user.groups, (std::vector<std::string>{"Administrators", "Users"}));
  ASSERT_TRUE(f.memory);
  EXPECT_EQ(f.memory->load, 0xFFFFFFFFu);
  EXPECT_EQ(f.memory->totalPhys, 8589934592u);
  ASSERT_TRUE(f.power);
  EXPECT_TRUE(f.power->hiberFilePresent);

  ASSERT_EQ(f.files.size(), 2u);
  const FileFacts& app = f.files.at(WindowsPathKey("c:\\PROGRAM FILES\\App\\APP.EXE"));
  EXPECT_FALSE(f.files.at(WindowsPathKey("C:\\bare.dll")).version);
  EXPECT_EQ(app.version, (std::array<std::uint16_t, 4>{1, 2, 65535, 0}));
  EXPECT_FALSE(app.translation);
  EXPECT_EQ(app.signature, 0u);
  ASSERT_TRUE(app.modified);
  EXPECT_EQ(app.modified->day, 29);
  EXPECT_EQ(app.modified->second, 59);

  ASSERT_TRUE(f.devices);
  ASSERT_EQ(f.devices->size(), 3u);
  EXPECT_EQ(*(*f.devices)[0], (std::vector<std::string>{"PCI\\VEN_1106", "*PNP0A03"}));
  EXPECT_EQ((*f.devices)[1].Error(), 13u);
  EXPECT_TRUE((*f.devices)[2]->empty());

  ASSERT_EQ(f.waveOut.size(), 2u);
  EXPECT_TRUE(f.waveOut[0].capsFail);
  EXPECT_EQ(f.waveOut[1].caps.manufacturerId, 65535);

  ASSERT_TRUE(f.wmi);
  EXPECT_EQ(f.wmi->failAt, WmiFailure::Connect);
  EXPECT_FALSE(f.wmi->resultSet);
  ASSERT_EQ(f.wmi->baseBoards.size(), 2u);
  ASSERT_TRUE(f.wmi->baseBoards[0]);
  const auto& board = *f.wmi->baseBoards[0];
  ASSERT_EQ(board.size(), 5u);
  EXPECT_EQ(std::get<std::string>(board[0].value), "A8V");
  EXPECT_EQ(std::get<WmiI4>(board[1].value).value, std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(std::get<WmiI2>(board[2].value).value, 32767);
  EXPECT_TRUE(std::get<bool>(board[3].value));
  EXPECT_TRUE(std::holds_alternative<WmiNull>(board[4].value));
  EXPECT_FALSE(f.wmi->baseBoards[1]);

  ASSERT_EQ(f.directShow.size(), 1u);
  EXPECT_EQ(GuidText(f.directShow[0].category), "{E0F158E1-CB04-11D0-BD4E-00A0C911CE86}");
  const auto& monikers = f.directShow[0].monikers;
  ASSERT_EQ(monikers.size(), 2u);
  ASSERT_TRUE(monikers[0].tunerBus);
  EXPECT_EQ(monikers[0].tunerBus->eeprom, (std::vector<std::uint8_t>{0x1a, 0xeb, 0x67, 0x95, 0x00, 0x01}));
  EXPECT_EQ(monikers[0].tunerBus->failOffsets, (std::set<std::uint8_t>{56, 255}));
  EXPECT_FALSE(monikers[1].friendlyName);
  EXPECT_TRUE(monikers[1].storageFails);
  EXPECT_TRUE(monikers[1].objectFails);
}

TEST(MachineFile, EmptyObjectLeavesEveryQueryFailing) {
  const Read read = ReadJson("{}");
  ASSERT_FALSE(read.error);
  EXPECT_EQ(read.facts.executablePath, "C:\\Tarnwick\\Tarnwick.exe");
  EXPECT_FALSE(read.facts.version || read.facts.memory || read.facts.power || read.facts.devices || read.facts.wmi);
  EXPECT_FALSE(read.facts.user.name || read.facts.user.groups || read.facts.windowsDirectory);
}

// A text holding U+0000 ends there, as the platform's zero-terminated record
// holds it; the length limit counts what the record keeps.
TEST(MachineFile, TextsEndAtTheirFirstZero) {
  const Read read = ReadJson(R"({
    "version": {"servicePack": "\u0000C"}, "user": {"name": "bo\u0000b", "groups": ["Adm\u0000x"]},
    "devices": [["PCI\\VEN_1\u0000junk"]],
    "files": {"C:\\a.dll\u0000.bak": {}},
    "wmi": {"baseBoards": [[["Prod\u0000x", "A8V\u0000\r\n[Memory]"]]]},
    "waveOut": [{"name": "Speakers\u0000)" + std::string(40, 'x') + R"("}]
  })");
  ASSERT_FALSE(read.error) << Describe(*read.error);
  const MachineFacts& f = read.facts;
  EXPECT_EQ(f.version->record.servicePack, "");
  EXPECT_EQ(f.user.name, "bo");
  EXPECT_EQ(f.user.groups, (std::vector<std::string>{"Adm"}));
  EXPECT_EQ(*(*f.devices)[0], (std::vector<std::string>{"PCI\\VEN_1"}));
  EXPECT_TRUE(f.files.contains(WindowsPathKey("C:\\a.dll")));
  EXPECT_EQ((*f.wmi->baseBoards[0])[0].name, "Prod");
  EXPECT_EQ(std::get<std::string>((*f.wmi->baseBoards[0])[0].value), "A8V");
  EXPECT_EQ(f.waveOut[0].caps.name, "Speakers");
}

// Values at the edge of their platform record: accepted, one step further refused.
struct LimitCase {
  const char* name;
  std::string json;
  bool accepted;
};

class MachineFileLimits : public testing::TestWithParam<LimitCase> {};

TEST_P(MachineFileLimits, AcceptsWhatFitsTheRecord) {
  const Read read = ReadJson(GetParam().json);
  EXPECT_EQ(!read.error, GetParam().accepted) << (read.error ? Describe(*read.error) : "accepted");
}

std::string Repeat(std::size_t count, const char* text = "x") {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += text;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Edges, MachineFileLimits,
    testing::Values(
        LimitCase{"servicePack127", R"({"version": {"servicePack": ")" + Repeat(127) + "\"}}", true},
        LimitCase{"servicePack128", R"({"version": {"servicePack": ")" + Repeat(128) + "\"}}", false},
        LimitCase{"servicePackCountsCharactersNotBytes", R"({"version": {"servicePack": ")" + Repeat(127, "é") + "\"}}",
                  true},
        LimitCase{"suiteMask65536", R"({"version": {"suiteMask": 65536}})", false},
        LimitCase{"productType255", R"({"version": {"productType": 255}})", true},
        LimitCase{"productType256", R"({"version": {"productType": 256}})", false},
        LimitCase{"build2pow32", R"({"version": {"build": 4294967296}})", false},
        LimitCase{"userName256", R"({"user": {"name": ")" + Repeat(256) + "\"}}", true},
        LimitCase{"userName257", R"({"user": {"name": ")" + Repeat(257) + "\"}}", false},
        LimitCase{"waveName31", R"({"waveOut": [{"name": ")" + Repeat(31) + "\"}]}", true},
        LimitCase{"waveName32", R"({"waveOut": [{"name": ")" + Repeat(32) + "\"}]}", false},
        LimitCase{"manufacturerId65536", R"({"waveOut": [{"manufacturerId": 65536}]})", false},
        LimitCase{"memoryByteCountsAre64Bit", R"({"memory": {"availVirtual": 18446744073709551615}})", true},
        LimitCase{"memoryLoad2pow32", R"({"memory": {"load": 4294967296}})", false},
        LimitCase{"i2Smallest", R"({"wmi": {"baseBoards": [[["a", {"i2": -32768}]]]}})", true},
        LimitCase{"i2TooLarge", R"({"wmi": {"baseBoards": [[["a", {"i2": 32768}]]]}})", false},
        LimitCase{"i4TooSmall", R"({"wmi": {"baseBoards": [[["a", {"i4": -2147483649}]]]}})", false},
        LimitCase{"signatureMax", R"({"files": {"C:\\a": {"signature": 4294967295}}})", true},
        LimitCase{"signature2pow32", R"({"files": {"C:\\a": {"signature": 4294967296}}})", false},
        LimitCase{"versionPart65535", R"({"files": {"C:\\a": {"version": "65535.0.0.1"}}})", true},
        LimitCase{"versionPart65536", R"({"files": {"C:\\a": {"version": "65536.0.0.1"}}})", false},
        LimitCase{"leapDay2000", R"({"files": {"C:\\a": {"modified": "2000-02-29 00:00:00"}}})", true},
        LimitCase{"leapDay1900", R"({"files": {"C:\\a": {"modified": "1900-02-29 00:00:00"}}})", false},
        LimitCase{"year1601", R"({"files": {"C:\\a": {"modified": "1601-01-01 00:00:00"}}})", true},
        LimitCase{"year1600", R"({"files": {"C:\\a": {"modified": "1600-12-31 23:59:59"}}})", false},
        LimitCase{"failOffset255", R"({"directShow": {"{00000000-0000-0000-0000-000000000000}": [{"tunerBus": {"failOffsets": [255]}}]}})", true},
        LimitCase{"failOffset256", R"({"directShow": {"{00000000-0000-0000-0000-000000000000}": [{"tunerBus": {"failOffsets": [256]}}]}})", false},
        LimitCase{"executablePath259", R"({"executablePath": "C:\\)" + Repeat(256) + "\"}", true},
        LimitCase{"executablePath260", R"({"executablePath": "C:\\)" + Repeat(257) + "\"}", false},
        LimitCase{"computerName15", R"({"computerName": ")" + Repeat(15) + "\"}", true},
        LimitCase{"computerName16", R"({"computerName": ")" + Repeat(16) + "\"}", false}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusedCase {
  const char* name;
  std::string json;
  std::size_t line;
  const char* message;  // part of the message
};

class MachineFileRefused : public testing::TestWithParam<RefusedCase> {};

TEST_P(MachineFileRefused, NamesFileLineAndField) {
  const RefusedCase& c = GetParam();
  const Read read = ReadJson(c.json);
  ASSERT_TRUE(read.error.has_value());
  const std::string text = Describe(*read.error);
  EXPECT_EQ(text.rfind("machine.json:" + std::to_string(c.line) + ": ", 0), 0u) << text;
  EXPECT_NE(text.find(c.message), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MachineFileRefused,
    testing::Values(
        RefusedCase{"emptyFile", "", 1, "malformed JSON"},
        RefusedCase{"notAnObject", "\n[1, 2]", 2, "must be a JSON object"},
        RefusedCase{"syntaxError", "{\n  \"user\": {\n    \"name\": \"a\",\n  }\n}", 4, "malformed JSON"},
        RefusedCase{"unterminatedText", "{\n\"user\": {\"name\": \"a\n\"}}", 2, "malformed JSON"},
        RefusedCase{"memberTwice", "{\"power\": {},\n \"power\": {}}", 2, "\"power\" given twice"},
        RefusedCase{"numberAtLineEnd", "{\"memory\": {\n \"load\": -1\n}}", 2, "memory.load: must not be negative"},
        RefusedCase{"fraction", "{\"memory\":\n {\"totalPhys\": 1.5}}", 2, "memory.totalPhys: expected a whole number"},
        RefusedCase{"textForNumber", "{\"version\": {\n\n \"major\": \"5\"}}", 3, "version.major: expected a whole number"},
        RefusedCase{"boolForText", "{\"user\": {\"name\": true}}", 1, "user.name: expected a text"},
        RefusedCase{"servicePackLong", "{\"version\": {\n\"servicePack\": \"" + Repeat(200) + "\"}}", 2,
                    "version.servicePack: longer than 127 characters"},
        RefusedCase{"groupsNotArray", "{\"user\": {\"groups\": \"Users\"}}", 1, "user.groups: expected an array"},
        RefusedCase{"directoryTrailingBackslash", "{\n\"windowsDirectory\": \"C:\\\\WINDOWS\\\\\"}", 2, "backslash"},
        RefusedCase{"executableRelative", "{\"executablePath\": \"Tarnwick.exe\"}", 1, "executablePath"},
        RefusedCase{"executableClimbsOut", "{\"executablePath\": \"C:\\\\a\\\\..\\\\..\\\\x.exe\"}", 1, "\"..\""},
        RefusedCase{"executableSlashClimbsOut", "{\"executablePath\": \"C:\\\\a/../../x.exe\"}", 1, "\"..\""},
        RefusedCase{"deviceError122", "{\"devices\": [\n[\"A\"],\n{\"error\": 122}]}", 3, "devices[1].error"},
        RefusedCase{"deviceErrorZero", "{\"devices\": [{\"error\": 0}]}", 1, "devices[0].error"},
        RefusedCase{"deviceNeither", "{\"devices\": [\"PCI\\\\X\"]}", 1, "devices[0]: expected a hardware-ID list"},
        RefusedCase{"deviceIdNotText", "{\"devices\": [[\"A\", 1]]}", 1, "devices[0][1]: expected a text"},
        RefusedCase{"waveNameLong", "{\"waveOut\": [\n{\"name\": \"" + Repeat(32) + "\"}]}", 2, "waveOut[0].name"},
        RefusedCase{"wmiFailAtUnknown", "{\"wmi\": {\"failAt\": \"query\"}}", 1, "wmi.failAt"},
        RefusedCase{"wmiUntaggedNumber", "{\"wmi\": {\"baseBoards\": [[\n[\"Count\", 5]]]}}", 2,
                    "wmi.baseBoards[0][0][1]: expected a text, {\"i4\": N}"},
        RefusedCase{"wmiPairOfThree", "{\"wmi\": {\"baseBoards\": [[[\"a\", \"b\", \"c\"]]]}}", 1, "expected a pair"},
        RefusedCase{"wmiNamesFailFalse", "{\"wmi\": {\"baseBoards\": [{\"namesFail\": false}]}}", 1, "namesFail"},
        RefusedCase{"guidKeyMalformed", "{\"directShow\": {\n\"E0F158E1-CB04-11D0-BD4E-00A0C911CE86\": []}}", 2,
                    "expected a category GUID"},
        RefusedCase{"guidKeyTwiceInOtherCase",
                    "{\"directShow\": {\"{e0f158e1-cb04-11d0-bd4e-00a0c911ce86}\": [],\n"
                    "\"{E0F158E1-CB04-11D0-BD4E-00A0C911CE86}\": []}}",
                    2, "same category as the key on line 1"},
        RefusedCase{"eepromOddDigits", "{\"directShow\": {\"{E0F158E1-CB04-11D0-BD4E-00A0C911CE86}\": [\n"
                                       "{\"tunerBus\": {\"eeprom\": \"01 2 03\"}}]}}",
                    2, "pairs of hexadecimal digits, at character 4"},
        RefusedCase{"eepromNotHex", "{\"directShow\": {\"{E0F158E1-CB04-11D0-BD4E-00A0C911CE86}\": [\n"
                                    "{\"tunerBus\": {\"eeprom\": \"0g\"}}]}}",
                    2, "tunerBus.eeprom"},
        RefusedCase{"fileVersionThreeParts", "{\"files\": {\"C:\\\\a.dll\": {\n\"version\": \"1.2.3\"}}}", 2,
                    "version \"a.b.c.d\""},
        RefusedCase{"fileVersionFiveParts", "{\"files\": {\"C:\\\\a.dll\": {\"version\": \"1.2.3.4.5\"}}}", 1,
                    "version \"a.b.c.d\""},
        RefusedCase{"fileVersionSign", "{\"files\": {\"C:\\\\a.dll\": {\"version\": \"1.+2.3.4\"}}}", 1,
                    "version \"a.b.c.d\""},
        RefusedCase{"modifiedBadShape", "{\"files\": {\"C:\\\\a.dll\": {\"modified\": \"2008-4-14 00:12:00\"}}}", 1,
                    "YYYY-MM-DD HH:MM:SS"},
        RefusedCase{"modifiedApril31", "{\"files\": {\"C:\\\\a.dll\": {\"modified\": \"2008-04-31 00:12:00\"}}}", 1,
                    "YYYY-MM-DD HH:MM:SS"},
        RefusedCase{"modifiedHour24", "{\"files\": {\"C:\\\\a.dll\": {\"modified\": \"2008-04-30 24:00:00\"}}}", 1,
                    "YYYY-MM-DD HH:MM:SS"},
        RefusedCase{"nestedTooDeep", "{\"future\":\n" + Repeat(40, "[") + Repeat(40, "]") + "}", 2, "nested deeper"},
        RefusedCase{"codePageUnicode", "{\n\"codePage\": 65001}", 2, "codePage: not a Windows ANSI code page: 65001"},
        RefusedCase{"codePageText", "{\"codePage\": \"1251\"}", 1, "codePage: expected a whole number"},
        RefusedCase{"sameFileTwice", "{\"files\": {\"C:\\\\Dir\\\\A.DLL\": {},\n\"c:\\\\dir\\\\\\\\a.dll\": {}}}", 2,
                    "same file as the path on line 1"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick
