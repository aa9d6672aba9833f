#include "app/mail_command.h"

namespace tarnwick {

namespace {
constexpr std::string_view kMailClientsKey = "SOFTWARE\\Clients\\Mail";
}  // namespace

std::optional<std::string> BuildMailCommand(std::string_view registeredCommand) {
  const std::string_view program = registeredCommand.substr(0, registeredCommand.find('/'));
  if (program.empty()) return std::nullopt;
  std::string command(program);
  command += kMailSwitch;
  command += " /M ";
  command += kSupportMailbox;
  command += kMailSubjectAndBody;
  if (command.size() > kMaxCommandLine) return std::nullopt;
  return command;
}

std::optional<std::string> DefaultMailCommand(const RegistryAccess& registry) {
  std::optional<std::string> client;
  if (const RegistryKey key = registry.Open(RegistryRoot::LocalMachine, kMailClientsKey)) {
    client = registry.ReadText(key, "");
  }
  if (!client || client->empty()) return std::nullopt;

  const std::string commandKey = std::string(kMailClientsKey) + "\\" + *client + "\\shell\\open\\command";
  std::optional<std::string> registered;
  if (const RegistryKey key = registry.Open(RegistryRoot::LocalMachine, commandKey)) {
    registered = registry.ReadText(key, "");
  }
  if (!registered) return std::nullopt;
  return BuildMailCommand(*registered);
}

}  // namespace tarnwick
