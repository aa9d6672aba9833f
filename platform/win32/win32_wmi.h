// The base boards through WMI: COM, the administrative locator, root\cimv2
// and a WQL query, every object and text owned by the handle owners.
#pragma once

#include "platform/wmi_board.h"

struct IWbemClassObject;
struct IEnumWbemClassObject;

namespace tarnwick::win32 {

// How long IEnumWbemClassObject::Next waits for one object: a WMI service
// that never answers must not hold the run.
inline constexpr long kWmiObjectWaitMs = 10000;
// The whole walk ends after this long or this many objects, whatever WMI
// still hands out: a service that answers slowly, or without end, must not
// hold the run either (a computer has one base board).
inline constexpr unsigned long kWmiWalkLimitMs = 30000;
inline constexpr int kMostWmiObjects = 100;

class Win32Wmi final : public WmiBoard {
 public:
  WmiBoardQuery QueryBaseBoards() override;
};

// The properties of one object, in the order GetNames lists them; the status
// of GetNames when the names cannot be had.
WmiObject ReadWmiObject(IWbemClassObject& object);

// Hands out objects one at a time until the result set ends, fails, or has
// none ready within kWmiObjectWaitMs; query.walkEnd says which.
void WalkWmiObjects(IEnumWbemClassObject& objects, WmiBoardQuery& query);

}  // namespace tarnwick::win32
