// The PE files the test build makes (see samples.cmake), and a map of where
// one sample keeps the fields that the version reader follows, so tests can
// break them one at a time. The map trusts the sample: it is for files the
// build made, never for files under test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::pe_samples {

using Bytes = std::vector<std::uint8_t>;

inline std::string SamplePath(std::string_view name) {
  return std::string(TARNWICK_PE_SAMPLE_DIR) + "/" + std::string(name);
}

inline Bytes ReadSample(std::string_view name) {
  std::ifstream in(SamplePath(name), std::ios::binary);
  EXPECT_TRUE(in) << "missing sample " << name;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::uint16_t Get16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}
inline std::uint32_t Get32(const Bytes& b, std::size_t at) {
  return std::uint32_t{Get16(b, at)} | (std::uint32_t{Get16(b, at + 2)} << 16);
}
inline void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b.at(at) = static_cast<std::uint8_t>(v);
  b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, static_cast<std::uint16_t>(v));
  Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// The position of a UTF-16 key and its terminator in the file, after
// `from`; npos when it is not there.
inline std::size_t FindKey(const Bytes& b, std::string_view key, std::size_t from = 0) {
  Bytes wide;
  for (char c : key) {
    wide.push_back(static_cast<std::uint8_t>(c));
    wide.push_back(0);
  }
  wide.push_back(0);
  wide.push_back(0);
  const auto found = std::search(b.begin() + static_cast<std::ptrdiff_t>(from), b.end(), wide.begin(), wide.end());
  return found == b.end() ? std::string_view::npos : static_cast<std::size_t>(found - b.begin());
}

// File offsets of the fields, named after the format's structures.
struct SampleMap {
  std::size_t peHeader = 0;             // "PE\0\0"
  std::size_t sectionCount = 0;         // NumberOfSections
  std::size_t optionalSize = 0;         // SizeOfOptionalHeader
  std::size_t optionalHeader = 0;       // Magic
  std::size_t directoryCount = 0;       // NumberOfRvaAndSizes
  std::size_t resourceDirectory = 0;    // data directory 2: RVA, Size
  std::size_t resourceSection = 0;      // its section header
  std::size_t resourceStart = 0;        // file data of .rsrc
  std::size_t resourceEnd = 0;
  std::size_t typeEntry = 0;            // the root entry of type 16
  std::size_t nameDirectory = 0;
  std::size_t languageDirectory = 0;
  std::size_t dataEntry = 0;            // IMAGE_RESOURCE_DATA_ENTRY
  std::size_t block = 0;                // VS_VERSIONINFO
  std::size_t blockEnd = 0;
  std::size_t fixedInfo = 0;            // VS_FIXEDFILEINFO
  std::size_t stringFileInfo = 0;       // node starts
  std::size_t varFileInfo = 0;
  std::size_t translation = 0;
  bool pe32Plus = false;
};

inline std::size_t NodeOfKey(const Bytes& b, std::string_view key, std::size_t from) {
  const std::size_t keyAt = FindKey(b, key, from);
  EXPECT_NE(keyAt, std::string_view::npos) << "no key " << key;
  return keyAt == std::string_view::npos ? 0 : keyAt - 6;
}

inline SampleMap MapSample(const Bytes& b) {
  SampleMap m;
  m.peHeader = Get32(b, 0x3C);
  m.sectionCount = m.peHeader + 6;
  m.optionalSize = m.peHeader + 20;
  m.optionalHeader = m.peHeader + 24;
  m.pe32Plus = Get16(b, m.optionalHeader) == 0x20B;
  m.directoryCount = m.optionalHeader + (m.pe32Plus ? 108 : 92);
  m.resourceDirectory = m.directoryCount + 4 + 2 * 8;
  const std::size_t table = m.optionalHeader + Get16(b, m.optionalSize);
  std::uint32_t resourceVa = 0;
  for (std::size_t i = 0; i < Get16(b, m.sectionCount); ++i) {
    const std::size_t header = table + 40 * i;
    if (std::memcmp(b.data() + header, ".rsrc", 6) != 0) continue;
    m.resourceSection = header;
    resourceVa = Get32(b, header + 12);
    m.resourceStart = Get32(b, header + 20);
    m.resourceEnd = m.resourceStart + Get32(b, header + 16);
  }
  EXPECT_NE(m.resourceSection, 0u) << "no .rsrc section";
  EXPECT_EQ(Get32(b, m.resourceDirectory), resourceVa) << "resources start their section";
  const std::size_t root = m.resourceStart;
  const std::size_t entries = std::size_t{Get16(b, root + 12)} + Get16(b, root + 14);
  for (std::size_t i = 0; i < entries; ++i) {
    if (Get32(b, root + 16 + 8 * i) == 16) m.typeEntry = root + 16 + 8 * i;
  }
  EXPECT_NE(m.typeEntry, 0u) << "no version resource";
  m.nameDirectory = root + (Get32(b, m.typeEntry + 4) & 0x7FFFFFFF);
  m.languageDirectory = root + (Get32(b, m.nameDirectory + 16 + 4) & 0x7FFFFFFF);
  m.dataEntry = root + Get32(b, m.languageDirectory + 16 + 4);
  m.block = m.resourceStart + (Get32(b, m.dataEntry) - resourceVa);
  m.blockEnd = m.block + Get32(b, m.dataEntry + 4);
  // After the header and the key with its terminator, on a 4-byte boundary.
  m.fixedInfo = (NodeOfKey(b, "VS_VERSION_INFO", m.block) + 6 + 32 + 3) & ~std::size_t{3};
  EXPECT_EQ(Get32(b, m.fixedInfo), 0xFEEF04BDu);
  m.varFileInfo = NodeOfKey(b, "VarFileInfo", m.block);
  m.translation = NodeOfKey(b, "Translation", m.varFileInfo);
  const std::size_t strings = FindKey(b, "StringFileInfo", m.block);
  m.stringFileInfo = strings < m.blockEnd ? strings - 6 : 0;  // 0: none
  return m;
}

}  // namespace tarnwick::pe_samples
