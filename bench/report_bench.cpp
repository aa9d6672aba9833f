// report_bench: replays 5,000 report entries shaped like a run on a well
// filled computer (a device inventory whose entries interleave three
// sections, long groups of the application inventory and the filter
// categories parted by separators, a few replaced keys) into a report in a
// scratch folder, and prints the entries written per second and the bytes
// written per byte of the finished report. Then the same entries against an
// earlier report of 100 MB that can be neither removed nor written (a run
// without the rights to it): how often it is read, the time, and how far the
// process's peak memory grew, against the report's size.
#include <stdlib.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/report_file.h"
#include "platform/posix/mapped_files.h"
#include "bench/system_bytes.h"

namespace {

using namespace tarnwick;

constexpr int kEntries = 5000;
constexpr int kRounds = 5;  // the best round counts

struct Call {
  bool separator = false;
  std::string section;
  std::string key;
  std::string value;
};

class Sequence {
 public:
  void Entry(std::string section, std::string key, std::string value) {
    calls_.push_back({false, std::move(section), std::move(key), std::move(value)});
    ++entries_;
  }
  void Separator() { calls_.push_back({true, {}, {}, {}}); }
  int Entries() const { return entries_; }
  const std::vector<Call>& Calls() const { return calls_; }

 private:
  std::vector<Call> calls_;
  int entries_ = 0;
};

std::string Number(int n) { return std::to_string(n); }

Sequence RunShapedSequence() {
  Sequence s;
  s.Entry("Tool Version", "Tool Version", "2.5");
  s.Separator();
  const char* const systemSections[] = {"User Info", "Windows OS", "DirectX", "Processor",
                                        "Memory",    "VGA",        "Audio",   "SystemInfo", "MB Info"};
  for (const char* section : systemSections) {
    for (int i = 0; i < 6; ++i) s.Entry(section, "Value " + Number(i), "Some text of a typical length " + Number(i));
    s.Separator();
  }

  // The device inventory: every device's "System ID ", every fifth device's
  // media entries, every thirtieth a known tuner with its driver details
  // (every sixtieth matched twice, so its keys are written again).
  for (int device = 0; device < 300; ++device) {
    const std::string n = Number(device);
    const std::string hardwareId = "PCI\\VEN_8086&DEV_27" + n + "&SUBSYS_0000" + n + "&REV_01";
    if (device % 30 == 7) {
      const int matches = device % 60 == 7 ? 2 : 1;
      for (int match = 0; match < matches; ++match) {
        s.Separator();
        const std::string label = "Empia ID " + n;
        s.Entry("DeviceInfo", label, "USB\\VID_EB1A&PID_2861");
        for (const char* name : {"ProviderName", "NTMPDriver", "DriverDesc", "DriverVersion", "DriverDate"}) {
          s.Entry("DeviceInfo", label + "_" + name, std::string("Driver ") + name + " " + n);
        }
        s.Separator();
      }
    }
    if (device % 5 == 3) {
      s.Entry("Media", "DeviceID" + n, "SYSTEM\\CurrentControlSet\\Enum\\" + hardwareId);
      s.Entry("Media", "ProviderName" + n, "Microsoft");
      s.Entry("Media", "DeviceName" + n, "High Definition Audio Device " + n);
      s.Entry("Media", "Driver Version" + n, "6.0.6001.18000");
      s.Entry("Media", "DriverDate" + n, "6-21-2006");
    }
    s.Entry("System Device Info", "System ID " + n, hardwareId);
  }
  s.Entry("USBInfo", "USB TYPE", "2.0");
  s.Separator();
  for (int i = 0; i < 15; ++i) {
    s.Entry("USB Info", "DriverDesc" + Number(i), "Standard Enhanced PCI to USB Host Controller========6-21-2006");
  }
  s.Separator();
  for (int i = 0; i < 20; ++i) s.Entry("Empia Data", "Register " + Number(i), Number(i * 7));
  s.Separator();

  // The application inventory: groups of one section parted by separators.
  for (int group = 0; group < 60; ++group) {
    const std::string g = Number(group);
    s.Entry("Application Info", "Application " + g, "C:\\Program Files\\TV Application " + g);
    for (int file = 0; file < 39; ++file) {
      s.Entry("Application Info", "App" + g + " Module" + Number(file) + ".dll",
              "2.0." + Number(file) + ".1234 Date:2008/07/01");
    }
    s.Separator();
  }
  for (int i = 0; i < 5; ++i) s.Entry("MCE Encoder Info", "Encoder " + Number(i), "1.0.0." + Number(i));
  s.Separator();
  for (int i = 0; i < 10; ++i) s.Entry("TuningSpaces", "TuningSpace" + Number(i), "DVB-T========Digital Antenna");
  s.Separator();

  // The filter categories fill the rest, each closed by a separator.
  const int perCategory = (kEntries - s.Entries() + 21) / 22;
  for (int category = 0; category < 22 && s.Entries() < kEntries; ++category) {
    for (int filter = 0; filter < perCategory && s.Entries() < kEntries; ++filter) {
      s.Entry("Filter Name", "WDM Streaming Capture Devices " + Number(category * 1000 + filter),
              "Capture filter " + Number(filter));
    }
    s.Separator();
  }
  return s;
}

// Counts the bytes handed to the file system.
class CountingFiles final : public ReportFiles {
 public:
  explicit CountingFiles(ReportFiles& inner) : inner_(inner) {}

  std::optional<std::string> Read(std::string_view path) override {
    ++reads;
    return inner_.Read(path);
  }
  std::optional<std::vector<std::string>> ReadPieces(std::string_view path) override {
    ++reads;
    return inner_.ReadPieces(path);
  }
  std::optional<std::uint64_t> Size(std::string_view path) override { return inner_.Size(path); }
  bool Append(std::string_view path, std::string_view bytes) override {
    written += bytes.size();
    return !refuseWrites && inner_.Append(path, bytes);
  }
  bool ReplaceAtomically(std::string_view path, std::string_view content) override {
    written += content.size();
    ++replacements;
    return !refuseWrites && inner_.ReplaceAtomically(path, content);
  }
  bool ReplaceAgain(std::string_view path, std::string_view content) override {
    written += content.size();
    ++replacements;
    return !refuseWrites && inner_.ReplaceAgain(path, content);
  }
  bool ReplaceAgainInPieces(std::string_view path, std::span<const std::string_view> pieces) override {
    for (const std::string_view piece : pieces) written += piece.size();
    ++replacements;
    return !refuseWrites && inner_.ReplaceAgainInPieces(path, pieces);
  }
  void Settle(std::string_view path) override { inner_.Settle(path); }
  bool Delete(std::string_view path) override { return !refuseWrites && inner_.Delete(path); }
  bool Copy(std::string_view from, std::string_view to) override { return inner_.Copy(from, to); }

  bool refuseWrites = false;  // as for a user without the rights to the file
  std::uint64_t written = 0;
  std::uint64_t systemWritten = 0;
  int replacements = 0;
  int reads = 0;

 private:
  ReportFiles& inner_;
};

using bench::SystemBytesWritten;

bool RunCalls(ReportFile& report, const Sequence& sequence) {
  bool ok = true;
  for (const Call& call : sequence.Calls()) {
    // A separator closes a group, as a step of the run ends.
    ok = (call.separator ? report.AppendSeparator() && report.Persist()
                         : report.WriteEntry(call.section, call.key, call.value)) &&
         ok;
  }
  return report.Settle() && ok;
}

long PeakKilobytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// An earlier report of the sequence's sections, each key many times over
// with other numbers, written in pieces so the bench itself stays small.
bool WriteEarlierReport(const std::string& hostPath, const Sequence& sequence, std::uint64_t size) {
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  std::uint64_t written = 0;
  std::string chunk;
  for (int round = 0; written < size; ++round) {
    std::string section;
    for (const Call& call : sequence.Calls()) {
      if (call.separator) continue;
      if (call.section != section) {
        section = call.section;
        chunk.append("[").append(section).append("]\r\n");
      }
      chunk.append(call.key).append(" ").append(std::to_string(round)).append("=").append(call.value).append("\r\n");
    }
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    written += chunk.size();
    chunk.clear();
  }
  return static_cast<bool>(out.flush());
}

}  // namespace

int main() {
  const Sequence sequence = RunShapedSequence();
  std::string folder = (std::filesystem::temp_directory_path() / "tarnwick-bench-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) {
    std::perror("report_bench: mkdtemp");
    return 1;
  }
  DriveMap drives;
  drives.Map('C', folder);
  MappedReportFiles mapped(std::move(drives));

  double bestSeconds = 0;
  std::uint64_t written = 0;
  std::uint64_t systemWritten = 0;
  int replacements = 0;
  std::uint64_t finalSize = 0;
  bool failed = false;
  for (int round = 0; round < kRounds && !failed; ++round) {
    CountingFiles files(mapped);
    ReportFile report(files);
    report.Clear();
    const std::uint64_t systemBefore = SystemBytesWritten();
    const auto start = std::chrono::steady_clock::now();
    if (!RunCalls(report, sequence)) failed = true;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (round == 0 || seconds < bestSeconds) bestSeconds = seconds;
    systemWritten = SystemBytesWritten() - systemBefore;
    written = files.written;
    replacements = files.replacements;
    finalSize = mapped.Size(kReportPath).value_or(0);
  }

  // The earlier report that cannot be removed nor written.
  constexpr std::uint64_t kEarlierSize = 100u << 20;
  const std::string earlierPath = folder + "/SystemInfo.ini";
  bool earlierWritten = WriteEarlierReport(earlierPath, sequence, kEarlierSize);
  const std::uint64_t earlierSize = mapped.Size(kReportPath).value_or(0);
  const long peakBefore = PeakKilobytes();
  CountingFiles refusing(mapped);
  refusing.refuseWrites = true;
  const auto start = std::chrono::steady_clock::now();
  {
    ReportFile report(refusing);
    earlierWritten = !report.Clear() && !RunCalls(report, sequence) && earlierWritten;
  }
  const double earlierSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long peakGrowth = PeakKilobytes() - peakBefore;

  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  if (failed || finalSize == 0 || !earlierWritten) {
    std::fprintf(stderr, "report_bench: a write failed\n");
    return 1;
  }

  std::printf("entries per second: %.0f (%d entries, %zu calls, best of %d rounds, %.1f ms)\n",
              sequence.Entries() / bestSeconds, sequence.Entries(), sequence.Calls().size(), kRounds,
              bestSeconds * 1000);
  // The file layer rewrites the file itself where an append would cross a
  // page boundary; the system's count includes those writes.
  std::printf(
      "bytes written per byte of final file: %.2f (%llu bytes through the file calls, %d whole rewrites, "
      "%llu in the file; %.2f counting every byte handed to the system)\n",
      static_cast<double>(written) / static_cast<double>(finalSize), static_cast<unsigned long long>(written),
      replacements, static_cast<unsigned long long>(finalSize),
      static_cast<double>(systemWritten) / static_cast<double>(finalSize));
  std::printf(
      "earlier report of %.1f MB that can be neither removed nor written: read %d times, %.2f s, peak memory "
      "grew by %.1f MB (%.2f times the report)\n",
      static_cast<double>(earlierSize) / (1 << 20), refusing.reads, earlierSeconds, peakGrowth / 1024.0,
      peakGrowth * 1024.0 / static_cast<double>(earlierSize));
  return 0;
}
