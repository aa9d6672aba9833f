// device_probe.exe: the present devices as the Setup API gives them, read on
// its own (the size asked first, then a buffer of that size), written as the
// "devices" field of a machine.json so the replay layer can run the same list.
#include <windows.h>
#include <setupapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string JsonText(const std::string& text) {
  std::string json = "\"";
  for (const unsigned char c : text) {
    if (c == '"' || c == '\\') {
      json += '\\';
      json += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x80) {
      // Windows-1252 bytes are written as the characters they stand for.
      wchar_t wide = 0;
      const char byte = static_cast<char>(c);
      ::MultiByteToWideChar(1252, 0, &byte, 1, &wide, 1);
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(wide));
      json += escape;
    } else {
      json += static_cast<char>(c);
    }
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
