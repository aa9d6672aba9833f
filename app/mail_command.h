// The command line that hands a new support message to the default mail
// program: the registered command cut before its first '/', then the switch
// text and the mail text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/registry_access.h"

namespace tarnwick {

// The maker's support mailbox.
inline constexpr std::string_view kSupportMailbox = "support@example.com";
inline constexpr std::string_view kMailSwitch = " -c IPM.Note";
inline constexpr std::string_view kMailSubjectAndBody =
    "?subject=Device%20Message&body=Please%20describe%20your%20error%20message%21";
// The command line must fit a 260-character buffer with its terminating zero.
inline constexpr std::size_t kMaxCommandLine = 259;

// Nothing when the registered command is empty or the whole command line
// would not fit in 259 characters (refused rather than cut).
std::optional<std::string> BuildMailCommand(std::string_view registeredCommand);

// Looks up the default mail program below HKEY_LOCAL_MACHINE
// "SOFTWARE\Clients\Mail" and builds its command line; nothing when no mail
// program is registered or its command cannot be read.
std::optional<std::string> DefaultMailCommand(const RegistryAccess& registry);

}  // namespace tarnwick
