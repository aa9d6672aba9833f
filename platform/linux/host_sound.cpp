#include "platform/linux/host_sound.h"

#include <charconv>

namespace tarnwick {
namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<unsigned> Decimal(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (!visit(text.substr(start, end - start))) return;
    start = end + 1;
  }
}

}  // namespace

const SoundCard* HostSound::Card(unsigned number) const {
  for (const SoundCard& card : cards) {
    if (card.number == number) return &card;
  }
  return nullptr;
}

std::string HostSound::DeviceName(const PcmDevice& pcm) const {
  const SoundCard* card = Card(pcm.card);
  if (card == nullptr || card->name.empty()) return pcm.name;
  if (pcm.name.empty()) return card->name;
  return pcm.name + " (" + card->name + ")";
}

// " 0 [PCH            ]: HDA-Intel - HDA Intel PCH", then a line with the
// long name, which is not used.
std::vector<SoundCard> ParseSoundCards(std::string_view cards) {
  std::vector<SoundCard> parsed;
  ForEachLine(cards, [&](std::string_view line) {
    const std::size_t bracket = line.find(" [");
    const std::size_t close = line.find("]: ");
    if (bracket == std::string_view::npos || close == std::string_view::npos || close < bracket) return true;
    const auto number = Decimal(Trim(line.substr(0, bracket)));
    if (!number) return true;
    const std::string_view rest = line.substr(close + 3);
    const std::size_t dash = rest.find(" - ");
    SoundCard card;
    card.number = *number;
    card.name = std::string(Trim(dash == std::string_view::npos ? rest : rest.substr(dash + 3)));
    parsed.push_back(std::move(card));
    return true;
  });
  return parsed;
}

// "00-00: ALC887-VD Analog : ALC887-VD Analog : playback 1 : capture 1":
// card and device, the id, the name, then what the device does.
std::vector<PcmDevice> ParsePcmDevices(std::string_view pcm) {
  std::vector<PcmDevice> parsed;
  ForEachLine(pcm, [&](std::string_view line) {
    const std::size_t dash = line.find('-');
    const std::size_t colon = line.find(": ");
    if (dash == std::string_view::npos || colon == std::string_view::npos || dash > colon) return true;
    const auto card = Decimal(line.substr(0, dash));
    if (!card) return true;
    PcmDevice device;
    device.card = *card;
    std::string_view rest = line.substr(colon + 2);
    for (int field = 0; !rest.empty(); ++field) {
      const std::size_t separator = rest.find(" : ");
      const std::string_view part = Trim(rest.substr(0, separator));
      if (field == 1) device.name = std::string(part);
      if (part.starts_with("playback ")) device.playback = true;
      if (part.starts_with("capture ")) device.capture = true;
      rest = separator == std::string_view::npos ? std::string_view() : rest.substr(separator + 3);
    }
    parsed.push_back(std::move(device));
    return true;
  });
  return parsed;
}

// A control line reads: Control: name="Front Playback Volume", index=0...
// The lines after it up to the next control or node tell its channels: an
// HD audio codec's "ControlAmp: chs=3" (both channels), a USB mixer's
// "channels=2".
std::optional<PlaybackVolume> FindPlaybackVolume(std::string_view mixer) {
  std::optional<PlaybackVolume> found;
  bool inControl = false;
  ForEachLine(mixer, [&](std::string_view line) {
    line = Trim(line);
    const bool control = line.starts_with("Control: name=\"");
    if (inControl && (control || line.starts_with("Node ") || line.starts_with("Unit:"))) return false;
    if (control) {
      const std::size_t close = line.find('"', 15);
      if (close != std::string_view::npos && line.substr(15, close - 15).ends_with("Playback Volume")) {
        found = PlaybackVolume{};
        inControl = true;
      }
      return true;
    }
    if (!inControl) return true;
    if (const std::size_t at = line.find("chs="); at != std::string_view::npos) {
      found->separate = line.substr(at + 4).starts_with('3');
    }
    if (const std::size_t at = line.find("channels="); at != std::string_view::npos) {
      unsigned channels = 0;
      const std::string_view number = line.substr(at + 9);
      std::from_chars(number.data(), number.data() + number.size(), channels);
      found->separate = channels >= 2;
    }
    return true;
  });
  return found;
}

HostSound ReadHostSound(const HostTree& tree) {
  HostSound sound;
  if (const auto cards = tree.ReadFile("proc/asound/cards")) sound.cards = ParseSoundCards(*cards);
  if (const auto pcm = tree.ReadFile("proc/asound/pcm")) sound.pcms = ParsePcmDevices(*pcm);
  for (SoundCard& card : sound.cards) {
    const std::string number = std::to_string(card.number);
    card.device = tree.LinkName("sys/class/sound/card" + number + "/device").value_or("");
    const std::string folder = "proc/asound/card" + number;
    for (const std::string& file : tree.List(folder)) {
      if (!file.starts_with("codec#") && file != "usbmixer") continue;
      const auto text = tree.ReadFile(folder + "/" + file);
      const auto volume = text ? FindPlaybackVolume(*text) : std::nullopt;
      if (!volume) continue;
      card.volume = true;
      card.separateVolumes = volume->separate;
      break;
    }
  }
  return sound;
}

}  // namespace tarnwick
