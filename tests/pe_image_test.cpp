// The version resource of real PE files that the test build made, and of
// copies of them cut short or with their fields broken one at a time.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "tests/case_names.h"
#include "pe/pe_samples.h"
#include "platform/pe/byte_source.h"
#include "platform/pe/pe_resources.h"
#include "platform/pe/version_info.h"

namespace tarnwick {
namespace {

using pe_samples::Bytes;
using pe_samples::Get16;
using pe_samples::Get32;
using pe_samples::MapSample;
using pe_samples::Put16;
using pe_samples::Put32;
using pe_samples::ReadSample;
using pe_samples::SampleMap;

std::optional<VersionParts> VersionOfBytes(const Bytes& file) {
  return FileVersionOf(MemorySource(std::span<const std::uint8_t>(file)));
}

std::string Show(const std::optional<VersionParts>& v) {
  if (!v) return "no version";
  return std::to_string((*v)[0]) + "." + std::to_string((*v)[1]) + "." + std::to_string((*v)[2]) + "." +
         std::to_string((*v)[3]);
}

struct SampleCase {
  const char* file;
  std::uint16_t magic;                  // of the optional header
  bool hasBlock;                        // a version resource at all
  std::optional<VersionParts> version;
};

// Named by its file, so the test's name stays the same from run to run.
[[maybe_unused]] void PrintTo(const SampleCase& c, std::ostream* out) { *out << c.file; }

class PeSample : public testing::TestWithParam<SampleCase> {};

TEST_P(PeSample, GivesItsVersion) {
  const SampleCase& c = GetParam();
  const Bytes file = ReadSample(c.file);
  ASSERT_GT(file.size(), 0x40u);
  ASSERT_EQ(Get16(file, Get32(file, 0x3C) + 24), c.magic) << "the sample is not the kind of image meant";
  const auto block = LoadPeVersionBlock(MemorySource(std::span<const std::uint8_t>(file)));
  ASSERT_EQ(block != nullptr, c.hasBlock);
  if (block) {
    const auto fixed = block->Query("\\");
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->size(), kFixedFileInfoSize);
  }
  EXPECT_EQ(Show(VersionOfBytes(file)), Show(c.version));
}

INSTANTIATE_TEST_SUITE_P(
    Files, PeSample,
    testing::Values(SampleCase{"with_translation32.exe", 0x10B, true, VersionParts{6, 5, 2600, 5512}},
                    SampleCase{"without_translation32.exe", 0x10B, true, std::nullopt},
                    SampleCase{"no_resource32.exe", 0x10B, false, std::nullopt},
                    SampleCase{"other_names32.exe", 0x10B, false, std::nullopt},
                    SampleCase{"two_languages32.exe", 0x10B, true, VersionParts{4, 7, 0, 1}},
                    SampleCase{"with_translation64.exe", 0x20B, true, VersionParts{6, 5, 2600, 5512}},
                    SampleCase{"wide_parts64.dll", 0x20B, true, VersionParts{10, 0, 0, 65535}}),
    [](const testing::TestParamInfo<SampleCase>& info) {
      std::string name = info.param.file;
      for (char& ch : name) {
        if (ch == '.') ch = '_';
      }
      return name;
    });

TEST(PeSampleValues, StringsAndTranslationsOfARealFile) {
  const Bytes file = ReadSample("wide_parts64.dll");
  const auto block = LoadPeVersionBlock(MemorySource(std::span<const std::uint8_t>(file)));
  ASSERT_TRUE(block);
  const auto table = block->Query("\\VarFileInfo\\Translation");
  ASSERT_TRUE(table);
  EXPECT_EQ(Bytes(table->begin(), table->end()), (Bytes{0x07, 0x04, 0xB0, 0x04, 0x09, 0x04, 0xE4, 0x04}));
  const auto description = block->Query("\\StringFileInfo\\040704b0\\FileDescription");
  ASSERT_TRUE(description);
  std::string text;
  for (std::size_t i = 0; i + 1 < description->size(); i += 2) text.push_back(static_cast<char>((*description)[i]));
  EXPECT_EQ(text, std::string("Library sample") + '\0');
}

// The samples that have a version, for the damage tests.
const char* const kVersionedSamples[] = {"with_translation32.exe", "wide_parts64.dll"};

class DamagedSample : public testing::TestWithParam<const char*> {};

// Cut at every length up to the end of the resource section: never more than
// the right version, and that only once the whole resource section is there,
// as the system has it.
TEST_P(DamagedSample, EveryPrefixGivesNothingOrTheVersion) {
  const Bytes file = ReadSample(GetParam());
  const SampleMap map = MapSample(file);
  const auto whole = VersionOfBytes(file);
  ASSERT_TRUE(whole);
  std::optional<std::size_t> firstWhole;
  for (std::size_t size = 0; size <= map.resourceEnd; ++size) {
    const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
    const auto version = VersionOfBytes(prefix);
    if (version) {
      ASSERT_EQ(*version, *whole) << "cut to " << size;
      if (!firstWhole) firstWhole = size;
    } else {
      ASSERT_FALSE(firstWhole) << "version at " << *firstWhole << " bytes but not at " << size;
    }
  }
  EXPECT_EQ(firstWhole, std::optional<std::size_t>(map.resourceEnd));
}

// Every byte of the headers and of the resource section, changed in several
// ways: the reader gives nothing, the version, or, for a byte of the version
// fields themselves, the version those bytes now hold.
TEST_P(DamagedSample, EveryChangedByteGivesNothingOrAVersionItHolds) {
  Bytes file = ReadSample(GetParam());
  const SampleMap map = MapSample(file);
  const auto whole = VersionOfBytes(file);
  ASSERT_TRUE(whole);
  const std::size_t headersEnd = Get32(file, map.optionalHeader + 60);  // SizeOfHeaders
  const std::size_t versionFields = map.fixedInfo + 8;
  std::size_t versions = 0;
  std::size_t none = 0;
  auto check = [&](std::size_t at) {
    const std::uint8_t original = file[at];
    for (const int change : {0x01, 0x80, 0xFF, 0x100, 0x1FF}) {
      // Below 0x100 an exclusive or, else a fixed value (0x00 or 0xFF).
      file[at] = change < 0x100 ? static_cast<std::uint8_t>(original ^ change) : static_cast<std::uint8_t>(change);
      const auto version = VersionOfBytes(file);
      if (version) {
        ++versions;
        const bool partByte = at >= versionFields && at < versionFields + 8;
        if (!partByte) {
          ASSERT_EQ(*version, *whole) << "byte " << at << " changed by " << change;
        } else {
          const std::uint32_t most = Get32(file, versionFields);
          const std::uint32_t least = Get32(file, versionFields + 4);
          ASSERT_EQ(*version, (VersionParts{static_cast<std::uint16_t>(most >> 16), static_cast<std::uint16_t>(most),
                                            static_cast<std::uint16_t>(least >> 16),
                                            static_cast<std::uint16_t>(least)}));
        }
      } else {
        ++none;
      }
    }
    file[at] = original;
  };
  for (std::size_t at = 0; at < headersEnd; ++at) check(at);
  for (std::size_t at = map.resourceStart; at < map.resourceEnd; ++at) check(at);
  // Both outcomes occur: the changes reach fields that matter and fields
  // that do not.
  EXPECT_GT(versions, 0u);
  EXPECT_GT(none, 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedSample, testing::ValuesIn(kVersionedSamples),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param).substr(0, std::string(info.param).find('.'));
                         });

// One field broken on purpose, with what it must give.
struct FieldCase {
  const char* name;
  std::function<void(Bytes&, const SampleMap&)> change;
  bool keepsVersion;
};

void PrintTo(const FieldCase& c, std::ostream* out) { *out << c.name; }

class BrokenField : public testing::TestWithParam<std::tuple<const char*, FieldCase>> {};

TEST_P(BrokenField, GivesWhatTheFieldLeaves) {
  const auto& [sample, c] = GetParam();
  Bytes file = ReadSample(sample);
  const SampleMap map = MapSample(file);
  const auto whole = VersionOfBytes(file);
  ASSERT_TRUE(whole);
  c.change(file, map);
  EXPECT_EQ(Show(VersionOfBytes(file)), Show(c.keepsVersion ? whole : std::nullopt));
}

// Offsets within a resource directory and its entries.
constexpr std::size_t kNamedCount = 12;
constexpr std::size_t kFirstEntry = 16;
constexpr std::size_t kSubdirectory = 0x80000000;

void SetKeyCase(Bytes& file, std::size_t node, bool upper) {
  for (std::size_t at = node + 6; Get16(file, at) != 0; at += 2) {
    const char ch = static_cast<char>(file[at]);
    if (ch >= 'a' && ch <= 'z' && upper) file[at] = static_cast<std::uint8_t>(ch - 'a' + 'A');
    if (ch >= 'A' && ch <= 'Z' && !upper) file[at] = static_cast<std::uint8_t>(ch - 'A' + 'a');
  }
}

const FieldCase kFieldCases[] = {
    {"DosMagic", [](Bytes& f, const SampleMap&) { f[1] = 'Y'; }, false},
    {"PeSignature", [](Bytes& f, const SampleMap& m) { f[m.peHeader + 1] = 'F'; }, false},
    {"NewHeaderPastTheEnd", [](Bytes& f, const SampleMap&) { Put32(f, 0x3C, 0xFFFFFFF0); }, false},
    {"NewHeaderAtTheLastBytes",
     [](Bytes& f, const SampleMap&) { Put32(f, 0x3C, static_cast<std::uint32_t>(f.size() - 4)); }, false},
    {"UnknownOptionalMagic", [](Bytes& f, const SampleMap& m) { Put16(f, m.optionalHeader, 0x107); }, false},
    {"TooFewDirectories", [](Bytes& f, const SampleMap& m) { Put32(f, m.directoryCount, 2); }, false},
    {"OptionalHeaderTooShortForTheDirectory",
     [](Bytes& f, const SampleMap& m) {
       Put16(f, m.optionalSize, static_cast<std::uint16_t>(m.resourceDirectory - m.optionalHeader + 4));
     },
     false},
    {"NoResourceDirectory", [](Bytes& f, const SampleMap& m) { Put32(f, m.resourceDirectory, 0); }, false},
    {"ResourceDirectoryOutsideEverySection",
     [](Bytes& f, const SampleMap& m) { Put32(f, m.resourceDirectory, 0x7FFFFFF0); }, false},
    {"NoSections", [](Bytes& f, const SampleMap& m) { Put16(f, m.sectionCount, 0); }, false},
    {"SectionTablePastTheEnd", [](Bytes& f, const SampleMap& m) { Put16(f, m.sectionCount, 0xFFFF); }, false},
    {"ResourceSectionDataCut", [](Bytes& f, const SampleMap& m) { Put32(f, m.resourceSection + 16, 8); }, false},
    {"ResourceSectionDataPastTheEnd",
     [](Bytes& f, const SampleMap& m) { Put32(f, m.resourceSection + 20, 0xFFFFFE00); }, false},
    // The image holds zeros past a section's file data, whatever the file
    // has there: here a copy of the block, behind the resource section.
    {"DataInTheZeroFilledTail",
     [](Bytes& f, const SampleMap& m) {
       const std::size_t rawSize = m.resourceEnd - m.resourceStart;
       const std::size_t copyAt = m.resourceEnd + 16;
       const Bytes block(f.begin() + static_cast<std::ptrdiff_t>(m.block),
                         f.begin() + static_cast<std::ptrdiff_t>(m.blockEnd));
       if (f.size() < copyAt + block.size()) f.resize(copyAt + block.size());
       std::copy(block.begin(), block.end(), f.begin() + static_cast<std::ptrdiff_t>(copyAt));
       Put32(f, m.resourceSection + 8, static_cast<std::uint32_t>(rawSize + 0x1000));
       Put32(f, m.dataEntry, Get32(f, m.resourceSection + 12) + static_cast<std::uint32_t>(rawSize + 16));
     },
     false},
    {"ResourceSectionWithoutData", [](Bytes& f, const SampleMap& m) { Put32(f, m.resourceSection + 16, 0); }, false},
    {"NoVersionType", [](Bytes& f, const SampleMap& m) { Put32(f, m.typeEntry, 17); }, false},
    {"VersionTypeGivenAsAName", [](Bytes& f, const SampleMap& m) { Put32(f, m.typeEntry, 0x80000010); }, false},
    {"RootEntryCountsPastTheSection",
     [](Bytes& f, const SampleMap& m) { Put16(f, m.resourceStart + kNamedCount, 0xFFFF); }, false},
    {"TypeLeadsStraightToData",
     [](Bytes& f, const SampleMap& m) { Put32(f, m.typeEntry + 4, Get32(f, m.typeEntry + 4) & 0x7FFFFFFF); }, false},
    {"TypeLeadsBackToTheRoot",
     [](Bytes& f, const SampleMap& m) { Put32(f, m.typeEntry + 4, kSubdirectory); }, false},
    {"NameLeadsBackToTheRoot",
     [](Bytes& f, const SampleMap& m) { Put32(f, m.nameDirectory + kFirstEntry + 4, kSubdirectory); }, false},
    {"LanguageLeadsToADirectory",
     [](Bytes& f, const SampleMap& m) {
       Put32(f, m.languageDirectory + kFirstEntry + 4,
             static_cast<std::uint32_t>(kSubdirectory | (m.languageDirectory - m.resourceStart)));
     },
     false},
    {"NameIsNotOne", [](Bytes& f, const SampleMap& m) { Put32(f, m.nameDirectory + kFirstEntry, 2); }, false},
    {"NameDirectoryEmpty", [](Bytes& f, const SampleMap& m) { Put32(f, m.nameDirectory + kNamedCount, 0); }, false},
    {"LanguageDirectoryPastTheSection",
     [](Bytes& f, const SampleMap& m) { Put32(f, m.nameDirectory + kFirstEntry + 4, 0xFFFFFFF8); }, false},
    {"DataEntryPastTheSection",
     [](Bytes& f, const SampleMap& m) { Put32(f, m.languageDirectory + kFirstEntry + 4, 0x7FFFFFF8); }, false},
    {"DataSizeZero", [](Bytes& f, const SampleMap& m) { Put32(f, m.dataEntry + 4, 0); }, false},
    {"DataSizePastTheSection", [](Bytes& f, const SampleMap& m) { Put32(f, m.dataEntry + 4, 0xFFFFFFFF); }, false},
    {"DataBeforeTheVersionTableEnds",
     [](Bytes& f, const SampleMap& m) {
       Put32(f, m.dataEntry + 4, static_cast<std::uint32_t>(m.translation - m.block + 8));
     },
     false},
    {"DataOutsideEverySection", [](Bytes& f, const SampleMap& m) { Put32(f, m.dataEntry, 0xFFFFFFF0); }, false},
    {"BlockLengthZero", [](Bytes& f, const SampleMap& m) { Put16(f, m.block, 0); }, false},
    {"BlockLengthCutBeforeTheTable",
     [](Bytes& f, const SampleMap& m) { Put16(f, m.block, static_cast<std::uint16_t>(m.varFileInfo - m.block)); },
     false},
    {"RecordWithoutValue", [](Bytes& f, const SampleMap& m) { Put16(f, m.block + 2, 0); }, false},
    {"RecordSignature", [](Bytes& f, const SampleMap& m) { f[m.fixedInfo + 3] = 0xFF; }, false},
    {"VarFileInfoLengthZero", [](Bytes& f, const SampleMap& m) { Put16(f, m.varFileInfo, 0); }, false},
    {"TranslationRenamed", [](Bytes& f, const SampleMap& m) { f[m.translation + 6] = 'X'; }, false},
    {"TranslationWithoutValue", [](Bytes& f, const SampleMap& m) { Put16(f, m.translation + 2, 0); }, false},
    {"TranslationValuePastTheNode", [](Bytes& f, const SampleMap& m) { Put16(f, m.translation + 2, 0x400); },
     false},
    {"KeysInCapitals",
     [](Bytes& f, const SampleMap& m) {
       SetKeyCase(f, m.varFileInfo, true);
       SetKeyCase(f, m.translation, true);
     },
     true},
    {"KeysInSmallLetters",
     [](Bytes& f, const SampleMap& m) {
       SetKeyCase(f, m.varFileInfo, false);
       SetKeyCase(f, m.translation, false);
     },
     true},
};

INSTANTIATE_TEST_SUITE_P(Fields, BrokenField,
                         testing::Combine(testing::ValuesIn(kVersionedSamples), testing::ValuesIn(kFieldCases)),
                         [](const testing::TestParamInfo<std::tuple<const char*, FieldCase>>& info) {
                           const std::string file = std::get<0>(info.param);
                           return std::get<1>(info.param).name + std::string("_") + file.substr(0, file.find('.'));
                         });

}  // namespace
}  // namespace tarnwick
