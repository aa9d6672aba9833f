// device_probe.exe: the present devices as the Setup API gives them, read on
// its own (the size asked first, then a buffer of that size), written as the
// "devices" field of a machine.json so the replay layer can run the same list.
#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Device IDs are ASCII; a byte beyond it would make the file invalid, and
// the replay layer refuses it.
std::string JsonText(const std::string& text) {
  std::string json = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') json += '\\';
    json += c;
  }
  return json + "\"";
}

// One device as machine.json writes it: its hardware-ID list or its error.
std::string DeviceJson(HDEVINFO set, SP_DEVINFO_DATA& device) {
  DWORD size = 0;
  if (!::SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr, nullptr, 0, &size)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER) return "{\"error\": " + std::to_string(error) + "}";
  }
  std::vector<char> buffer(size + 2, '\0');
  if (!::SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                           reinterpret_cast<BYTE*>(buffer.data()), size, &size)) {
    return "{\"error\": " + std::to_string(::GetLastError()) + "}";
  }
  std::string json = "[";
  for (const char* id = buffer.data(); id < buffer.data() + size && *id != '\0'; id += std::string(id).size() + 1) {
    if (json.size() > 1) json += ", ";
    json += JsonText(id);
  }
  return json + "]";
}

}  // namespace

int main() {
  const HDEVINFO set = ::SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "device_probe: no device set, error %lu\n", ::GetLastError());
    return 1;
  }
  std::printf("{\"devices\": [");
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    std::printf("%s\n  %s", index == 0 ? "" : ",", DeviceJson(set, device).c_str());
  }
  std::printf("\n]}\n");
  ::SetupDiDestroyDeviceInfoList(set);
  return 0;
}
