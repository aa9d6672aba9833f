// Looking values up in version data blocks built here node by node, sound and
// broken, the way VerQueryValueA is asked for them.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/case_names.h"
#include "platform/pe/version_info.h"

namespace tarnwick {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One node of a block. Lengths are worked out when it is written unless a
// case sets them to something else.
struct TestNode {
  std::string key;
  Bytes value;
  std::uint16_t type = 0;  // 1: text, its length counted in 16-bit units
  std::vector<TestNode> children;
  std::optional<std::uint16_t> length;
  std::optional<std::uint16_t> valueLength;
};

TestNode Node(std::string key, Bytes value, std::uint16_t type, std::vector<TestNode> children = {}) {
  TestNode node;
  node.key = std::move(key);
  node.value = std::move(value);
  node.type = type;
  node.children = std::move(children);
  return node;
}

void Put16(Bytes& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Pad4(Bytes& out) {
  while (out.size() % 4 != 0) out.push_back(0);
}

void Write(Bytes& out, const TestNode& node) {
  Pad4(out);
  const std::size_t start = out.size();
  out.resize(start + 6);
  for (char c : node.key) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(0);
  }
  out.push_back(0);
  out.push_back(0);
  Pad4(out);
  out.insert(out.end(), node.value.begin(), node.value.end());
  for (const TestNode& child : node.children) Write(out, child);
  const auto units = static_cast<std::uint16_t>(node.type == 1 ? node.value.size() / 2 : node.value.size());
  Put16(out, start, node.length.value_or(static_cast<std::uint16_t>(out.size() - start)));
  Put16(out, start + 2, node.valueLength.value_or(units));
  Put16(out, start + 4, node.type);
}

Bytes Block(const TestNode& root) {
  Bytes out;
  Write(out, root);
  return out;
}

Bytes Words(std::initializer_list<std::uint32_t> words) {
  Bytes out;
  for (std::uint32_t w : words) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(w >> (8 * i)));
  }
  return out;
}

Bytes Text(std::string_view text) {
  Bytes out;
  for (char c : text) {
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(0);
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

Bytes FixedRecord(std::uint32_t signature, std::uint32_t most, std::uint32_t least, std::size_t size = 52) {
  Bytes out = Words({signature, 0x00010000, most, least, most, least, 0x3F, 0, 0x40004, 1, 0, 0, 0});
  out.resize(size);
  return out;
}

const Bytes kTranslation = Words({0x04E40409});

// A complete block as resource compilers write it.
TestNode SoundRoot() {
  TestNode strings = Node("StringFileInfo", {}, 1,
                          {Node("040904E4", {}, 1,
                                {Node("CompanyName", Text("Maker"), 1), Node("FileVersion", Text("6.5.2600.5512"), 1)})});
  TestNode vars = Node("VarFileInfo", {}, 0, {Node("Translation", kTranslation, 0)});
  return Node("VS_VERSION_INFO", FixedRecord(0xFEEF04BD, 0x00060005, 0x0A281588), 0, {strings, vars});
}

struct QueryCase {
  const char* name;
  std::function<void(TestNode&)> change;  // on the sound root
  std::string subBlock;
  std::optional<Bytes> expected;          // nothing: the lookup fails
};

class VersionBlockQuery : public testing::TestWithParam<QueryCase> {};

TEST_P(VersionBlockQuery, AnswersLikeTheSystemLookup) {
  const QueryCase& c = GetParam();
  TestNode root = SoundRoot();
  if (c.change) c.change(root);
  const Bytes block = Block(root);
  const auto value = QueryVersionValue(block, c.subBlock);
  ASSERT_EQ(value.has_value(), c.expected.has_value());
  if (value) {
    EXPECT_EQ(Bytes(value->begin(), value->end()), *c.expected);
    // The answer lies inside the block, never beside it.
    EXPECT_GE(value->data(), block.data());
    EXPECT_LE(value->data() + value->size(), block.data() + block.size());
  }
}

TestNode& Vars(TestNode& root) { return root.children[1]; }
TestNode& Strings(TestNode& root) { return root.children[0]; }

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionBlockQuery,
    testing::Values(
        QueryCase{"RootIsTheFixedRecord", nullptr, "\\", FixedRecord(0xFEEF04BD, 0x00060005, 0x0A281588)},
        QueryCase{"EmptyPathIsTheRoot", nullptr, "", FixedRecord(0xFEEF04BD, 0x00060005, 0x0A281588)},
        QueryCase{"Translation", nullptr, "\\VarFileInfo\\Translation", kTranslation},
        QueryCase{"NamesIgnoreLetterCase", nullptr, "\\varfileinfo\\TRANSLATION", kTranslation},
        QueryCase{"KeysInOtherCaseToo", [](TestNode& r) { Vars(r).key = "VARFILEINFO"; },
                  "\\VarFileInfo\\Translation", kTranslation},
        QueryCase{"RepeatedAndTrailingSeparators", nullptr, "\\\\VarFileInfo\\\\Translation\\", kTranslation},
        QueryCase{"TextValueCoversItsUnits", nullptr, "\\StringFileInfo\\040904e4\\CompanyName", Text("Maker")},
        QueryCase{"LaterSiblingFound", nullptr, "\\StringFileInfo\\040904E4\\FileVersion", Text("6.5.2600.5512")},
        QueryCase{"SeveralTranslations",
                  [](TestNode& r) { Vars(r).children[0].value = Words({0x04E40409, 0x04B00407}); },
                  "\\VarFileInfo\\Translation", Words({0x04E40409, 0x04B00407})},
        QueryCase{"NodeWithoutValue", nullptr, "\\VarFileInfo", std::nullopt},
        QueryCase{"RootWithoutValue", [](TestNode& r) { r.value.clear(); }, "\\", std::nullopt},
        QueryCase{"ChildrenStillFoundBelowARootWithoutValue", [](TestNode& r) { r.value.clear(); },
                  "\\VarFileInfo\\Translation", kTranslation},
        QueryCase{"EmptyTranslation", [](TestNode& r) { Vars(r).children[0].value.clear(); },
                  "\\VarFileInfo\\Translation", std::nullopt},
        QueryCase{"MissingChild", nullptr, "\\VarFileInfo\\Nothing", std::nullopt},
        QueryCase{"NameIsAPrefixOfTheKey", nullptr, "\\VarFileInfo\\Translatio", std::nullopt},
        QueryCase{"KeyIsAPrefixOfTheName", nullptr, "\\VarFileInfo\\TranslationX", std::nullopt},
        QueryCase{"ChildOfTheWrongParent", nullptr, "\\StringFileInfo\\Translation", std::nullopt},
        QueryCase{"NoTranslationTable", [](TestNode& r) { r.children.pop_back(); }, "\\VarFileInfo\\Translation",
                  std::nullopt},
        QueryCase{"ValueRunsPastItsNode", [](TestNode& r) { Vars(r).children[0].valueLength = 200; },
                  "\\VarFileInfo\\Translation", std::nullopt},
        QueryCase{"TextValueRunsPastItsNode",
                  [](TestNode& r) { Strings(r).children[0].children[1].valueLength = 1000; },
                  "\\StringFileInfo\\040904E4\\FileVersion", std::nullopt},
        QueryCase{"ChildLengthZeroStopsTheWalk", [](TestNode& r) { Strings(r).length = 0; },
                  "\\VarFileInfo\\Translation", std::nullopt},
        QueryCase{"ChildShorterThanItsHeader", [](TestNode& r) { Strings(r).length = 5; },
                  "\\VarFileInfo\\Translation", std::nullopt},
        QueryCase{"ChildCutBeforeItsKeyEnds", [](TestNode& r) { Strings(r).length = 12; },
                  "\\VarFileInfo\\Translation", std::nullopt},
        QueryCase{"ParentEndsBeforeTheChild", [](TestNode& r) { r.length = 100; }, "\\VarFileInfo\\Translation",
                  std::nullopt},
        QueryCase{"ParentCutInsideTheChildsValue",
                  [](TestNode& r) { Vars(r).length = 66; }, "\\VarFileInfo\\Translation", std::nullopt},
        QueryCase{"RootLongerThanTheBlockIsCut", [](TestNode& r) { r.length = 0xFFFF; },
                  "\\VarFileInfo\\Translation", kTranslation}),
    [](const testing::TestParamInfo<QueryCase>& info) { return info.param.name; });

TEST(VersionBlockQuery, EveryPrefixOfABlockIsSafe) {
  const Bytes whole = Block(SoundRoot());
  for (std::size_t size = 0; size <= whole.size(); ++size) {
    // Copied, so the sanitizer sees a read past the prefix as one.
    const Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    const auto root = QueryVersionValue(prefix, "\\");
    const auto table = QueryVersionValue(prefix, "\\VarFileInfo\\Translation");
    if (size == whole.size()) {
      EXPECT_TRUE(root && table);
    } else {
      // The root's length still names the whole block, so nothing past a
      // cut is found; what is found lies before it.
      if (table) ADD_FAILURE() << "translation found in a block cut to " << size;
      if (root) {
        EXPECT_LE(root->data() + root->size(), prefix.data() + prefix.size());
      }
    }
  }
}

TEST(VersionBlockQuery, ShortAndEmptyBlocksHaveNothing) {
  for (const Bytes& block : {Bytes{}, Bytes{6}, Bytes{6, 0, 0, 0, 0}, Bytes{8, 0, 0, 0, 0, 0, 'A', 0}}) {
    EXPECT_FALSE(QueryVersionValue(block, "\\").has_value()) << block.size();
    EXPECT_FALSE(QueryVersionValue(block, "\\VarFileInfo\\Translation").has_value()) << block.size();
  }
}

struct VersionCase {
  const char* name;
  std::function<void(TestNode&)> change;
  std::optional<VersionParts> expected;
};

class VersionOfBlock : public testing::TestWithParam<VersionCase> {};

TEST_P(VersionOfBlock, NeedsASignedRecordAndATranslationTable) {
  const VersionCase& c = GetParam();
  TestNode root = SoundRoot();
  if (c.change) c.change(root);
  const PeVersionBlock block(Block(root));
  EXPECT_EQ(FileVersionOf(block), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionOfBlock,
    testing::Values(
        VersionCase{"Sound", nullptr, VersionParts{6, 5, 2600, 5512}},
        VersionCase{"PartsUpTo65535",
                    [](TestNode& r) { r.value = FixedRecord(0xFEEF04BD, 0x000A0000, 0x0000FFFF); },
                    VersionParts{10, 0, 0, 65535}},
        VersionCase{"AllPartsHigh",
                    [](TestNode& r) { r.value = FixedRecord(0xFEEF04BD, 0xFFFFFFFF, 0xFFFEFFFD); },
                    VersionParts{65535, 65535, 65534, 65533}},
        VersionCase{"OtherSignature", [](TestNode& r) { r.value = FixedRecord(0xFEEF04BC, 0x00060005, 0); },
                    std::nullopt},
        VersionCase{"RecordShorterThanFixed",
                    [](TestNode& r) { r.value = FixedRecord(0xFEEF04BD, 0x00060005, 0, 48); }, std::nullopt},
        VersionCase{"RecordLongerThanFixed",
                    [](TestNode& r) { r.value = FixedRecord(0xFEEF04BD, 0x00060005, 0x0A281588, 60); },
                    VersionParts{6, 5, 2600, 5512}},
        VersionCase{"NoRecord", [](TestNode& r) { r.value.clear(); }, std::nullopt},
        VersionCase{"NoTranslationTable", [](TestNode& r) { r.children.pop_back(); }, std::nullopt},
        VersionCase{"TranslationTableEmpty", [](TestNode& r) { Vars(r).children[0].value.clear(); },
                    std::nullopt},
        VersionCase{"OnlyTheTranslationTable", [](TestNode& r) { r.children.erase(r.children.begin()); },
                    VersionParts{6, 5, 2600, 5512}}),
    [](const testing::TestParamInfo<VersionCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tarnwick
