// Fuzz target for the report writer working on a hostile existing report
// (odd line ends, zero bytes, huge lines, doubled sections and keys, no last
// line end). The input is an existing report and a sequence of calls:
//   2 bytes   length of the existing report (little end first, at most 4095),
//             then its bytes;
//   then calls, each one byte: 0-5 an entry (section, key and value lengths
//   follow, one byte each, then their bytes), 6 a group separator, 7 a
//   deletion of the report.
// At most 12 calls. Oracle: after every call (and the end of its step) the
// writer acts as one that reads the file afresh (its model is the file as a reader splits it), and a
// call on memory never fails.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "app/report_file.h"
#include "tests/report_test_files.h"

namespace {

using tarnwick::ReportFile;
using tarnwick::testing_files::MemoryReportFiles;

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}
  bool Empty() const { return rest_.empty(); }
  std::uint8_t Byte() {
    if (rest_.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
  }
  std::string_view Bytes(std::size_t count) {
    const std::string_view taken = rest_.substr(0, count);
    rest_.remove_prefix(taken.size());
    return taken;
  }

 private:
  std::string_view rest_;
};

// Section names the run uses, so calls meet the sections of the report too.
constexpr std::string_view kSections[] = {"Tool Version", "Memory", "DeviceInfo", "Application Info"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input input(data, size);
  const std::size_t length = (input.Byte() | (std::size_t{input.Byte()} << 8)) & 0x0FFF;
  MemoryReportFiles files;
  files.files[std::string(tarnwick::kReportPath)] = std::string(input.Bytes(length));
  ReportFile writer(files);

  for (int call = 0; call < 12 && !input.Empty(); ++call) {
    const std::uint8_t kind = input.Byte() % 8;
    MemoryReportFiles fresh;
    fresh.files = files.files;
    ReportFile reader(fresh);
    bool written = true;
    bool read = true;
    if (kind < 6) {
      std::string section(kind < 4 ? kSections[kind] : std::string_view());
      const std::size_t sectionLength = kind < 4 ? 0 : input.Byte() % 16;
      const std::size_t keyLength = input.Byte() % 16;
      const std::size_t valueLength = input.Byte();
      section += input.Bytes(sectionLength);
      const std::string key(input.Bytes(keyLength));
      const std::string value(input.Bytes(valueLength));
      written = writer.WriteEntry(section, key, value);
      read = reader.WriteEntry(section, key, value);
    } else if (kind == 6) {
      written = writer.AppendSeparator();
      read = reader.AppendSeparator();
    } else {
      written = writer.Clear();
      read = reader.Clear();
    }
    // The writer's changes reach the file by the end of the step at the
    // latest; the fresh reader's budget lets it write at once.
    if (!writer.Persist() || !reader.Persist()) std::abort();
    if (!written || !read || files.files != fresh.files) std::abort();
  }
  return 0;
}
