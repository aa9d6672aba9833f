#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/case_names.h"
#include "app/mail_command.h"
#include "platform/memory_registry.h"

namespace tarnwick {
namespace {

const std::string kTail =
    " -c IPM.Note /M support@example.com"
    "?subject=Device%20Message&body=Please%20describe%20your%20error%20message%21";

struct CommandCase {
  const char* name;
  std::string registered;
  std::optional<std::string> command;
};

class MailCommand : public testing::TestWithParam<CommandCase> {};

TEST_P(MailCommand, CutsAtTheFirstSlashAndAppendsTheFixedTexts) {
  EXPECT_EQ(BuildMailCommand(GetParam().registered), GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MailCommand,
    testing::Values(
        CommandCase{"noSlashUsedWhole", "\"C:\\Mail\\mail.exe\" -c IPM.Note",
                    "\"C:\\Mail\\mail.exe\" -c IPM.Note" + kTail},
        CommandCase{"switchCutKeepsBlank", "\"C:\\Program Files\\Mail\\msimn.exe\" /mailurl:%1",
                    "\"C:\\Program Files\\Mail\\msimn.exe\" " + kTail},
        CommandCase{"slashInsideThePath", "C:/Mail/mail.exe /x", "C:" + kTail},
        CommandCase{"emptyCommandStartsNothing", "", std::nullopt},
        CommandCase{"onlyASwitchStartsNothing", "/mailurl:%1", std::nullopt},
        CommandCase{"longestThatFits", std::string(kMaxCommandLine - kTail.size(), 'p'),
                    std::string(kMaxCommandLine - kTail.size(), 'p') + kTail},
        CommandCase{"oneTooLongIsRefused", std::string(kMaxCommandLine - kTail.size() + 1, 'p'), std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct RegistryCase {
  const char* name;
  bool clientsKey;
  const char* client;   // nullptr: no default value
  const char* command;  // nullptr: no command key
  std::optional<std::string> expected;
};

class DefaultMailProgram : public testing::TestWithParam<RegistryCase> {};

TEST_P(DefaultMailProgram, FollowsTheRegisteredClient) {
  const auto& c = GetParam();
  MemoryRegistry store;
  constexpr auto HKLM = RegistryRoot::LocalMachine;
  if (c.clientsKey) store.CreateKey(HKLM, "SOFTWARE\\Clients\\Mail");
  if (c.client != nullptr) store.SetText(HKLM, "SOFTWARE\\Clients\\Mail", "", c.client);
  if (c.command != nullptr) {
    store.SetText(HKLM, "SOFTWARE\\Clients\\Mail\\Mailer\\shell\\open\\command", "", c.command);
  }
  EXPECT_EQ(DefaultMailCommand(RegistryAccess(store)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, DefaultMailProgram,
    testing::Values(RegistryCase{"registered", true, "Mailer", "mailer.exe /compose", "mailer.exe " + kTail},
                    RegistryCase{"clientNameInOtherCase", true, "MAILER", "mailer.exe", "mailer.exe" + kTail},
                    RegistryCase{"noClientsKey", false, nullptr, "mailer.exe", std::nullopt},
                    RegistryCase{"noDefaultClient", true, nullptr, "mailer.exe", std::nullopt},
                    RegistryCase{"clientWithoutCommand", true, "Mailer", nullptr, std::nullopt},
                    RegistryCase{"clientNamesAnotherProgram", true, "Other", "mailer.exe", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick
