// Physical and virtual memory in whole mebibytes: section "Memory".
#include <string>

#include "collectors/collectors.h"

namespace tarnwick {
namespace {

std::string Mebibytes(std::uint64_t bytes) { return std::to_string(bytes >> 20); }

}  // namespace

void CollectMemory(CollectorContext& context) {
  // A failed query reports zero for every figure.
  const MemoryStatus memory = context.platform.memoryPower.QueryMemory().value_or(MemoryStatus{});
  context.report.AddReportEntry("Memory", "MemoryLoad", std::to_string(memory.load));
  context.report.AddReportEntry("Memory", "TotalPhys", Mebibytes(memory.totalPhys));
  context.report.AddReportEntry("Memory", "MemoryAvailable", Mebibytes(memory.availPhys));
  context.report.AddReportEntry("Memory", "AvailVirtual", Mebibytes(memory.availVirtual));
  context.report.AppendGroupSeparator();
}

}  // namespace tarnwick
