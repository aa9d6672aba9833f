// The sound cards of a Linux host and their PCM devices, as ALSA lists them
// in /proc/asound, with the card's device from /sys/class/sound.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/host_tree.h"

namespace tarnwick {

struct SoundCard {
  unsigned number = 0;
  std::string name;    // "HDA Intel PCH"
  std::string device;  // kernel name of the card's device, "0000:00:1b.0" or "1-1:1.0"; empty when unknown
  bool volume = false;           // its mixer has a playback volume
  bool separateVolumes = false;  // for the left and right channels apart
};

struct PcmDevice {
  unsigned card = 0;
  std::string name;  // as ALSA names the device: "ALC887-VD Analog"
  bool playback = false;
  bool capture = false;
};

struct HostSound {
  std::vector<SoundCard> cards;  // in card order
  std::vector<PcmDevice> pcms;   // in card, then device order
  const SoundCard* Card(unsigned number) const;
  // The name Windows would give the device: "ALC887-VD Analog (HDA Intel PCH)".
  std::string DeviceName(const PcmDevice& pcm) const;
};

HostSound ReadHostSound(const HostTree& tree);

// The cards of /proc/asound/cards: number and name.
std::vector<SoundCard> ParseSoundCards(std::string_view cards);
// The devices of /proc/asound/pcm.
std::vector<PcmDevice> ParsePcmDevices(std::string_view pcm);

struct PlaybackVolume {
  bool separate = false;  // for two channels or more
};
// The first playback volume control of a card's mixer description (an HD
// audio codec's "codec#N" or a USB card's "usbmixer" file).
std::optional<PlaybackVolume> FindPlaybackVolume(std::string_view mixer);

}  // namespace tarnwick
