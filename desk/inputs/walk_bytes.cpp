#include "desk/inputs/input_sniff.h"
#include "desk/inputs/walk.h"

namespace tarnwick::desk {

bool Walk::TooDeep(const std::string& source, int depth) {
  if (depth < limits.maxNesting) return false;
  Problem(source, "nested deeper than " + std::to_string(limits.maxNesting) + " levels, not opened");
  return true;
}

std::string SizeText(std::uint64_t bytes) {
  constexpr std::uint64_t kMegabyte = std::uint64_t{1} << 20;
  return bytes % kMegabyte == 0 ? std::to_string(bytes / kMegabyte) + " MB" : std::to_string(bytes) + " bytes";
}

std::string Walk::TooLargeReason() const { return "larger than " + SizeText(limits.maxPartBytes) + ", not read"; }

void WalkBytes(Walk& walk, const Place& place, const Bytes& bytes) {
  const ContentKind kind = SniffContent(bytes.data);
  const bool mail = bytes.origin == Origin::kMailFile || HasMailName(bytes.name) ||
                    (bytes.origin != Origin::kAttachment && StartsLikeMail(bytes.data));
  if (kind != ContentKind::kOther || mail) {
    if (walk.TooDeep(place.source, place.depth)) return;
  }
  switch (kind) {
    case ContentKind::kZip: return WalkZip(walk, place, bytes.data);
    case ContentKind::kTnef: return WalkTnef(walk, place, bytes.data);
    case ContentKind::kMbox: return WalkMboxBytes(walk, place, bytes.data);
    case ContentKind::kOther: break;
  }
  if (mail) return WalkMessageBytes(walk, place, bytes.data);
  if (bytes.origin == Origin::kNamedFile || HasReportName(bytes.name) || StartsLikeReport(bytes.data)) {
    walk.Found({.source = place.source,
                .mail = place.mail,
                .bytes = std::string(bytes.data),
                .lineEndsAsWritten = bytes.lineEndsAsWritten});
  }
}

}  // namespace tarnwick::desk
