#include "desk/store/store_bytes.h"

#include <glib.h>
#include <zlib.h>

#include <memory>

namespace tarnwick::desk {

std::string Sha256Hex(std::string_view bytes) {
  const std::unique_ptr<GChecksum, decltype(&g_checksum_free)> checksum(g_checksum_new(G_CHECKSUM_SHA256),
                                                                        &g_checksum_free);
  // GChecksum takes lengths as gssize; feed large inputs in pieces.
  constexpr std::size_t kPiece = 1 << 30;
  for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
    const std::string_view piece = bytes.substr(at, kPiece);
    g_checksum_update(checksum.get(), reinterpret_cast<const guchar*>(piece.data()), static_cast<gssize>(piece.size()));
  }
  return g_checksum_get_string(checksum.get());
}

std::string Compress(std::string_view bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::string blob(size, '\0');
  // Level 1: the reports are small text and indexing speed matters more.
  if (compress2(reinterpret_cast<Bytef*>(blob.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                static_cast<uLong>(bytes.size()), 1) != Z_OK) {
    return {};
  }
  blob.resize(size);
  return blob;
}

std::optional<std::string> Expand(std::string_view blob, std::size_t size) {
  std::string bytes(size, '\0');
  uLongf expanded = static_cast<uLongf>(size);
  if (uncompress(reinterpret_cast<Bytef*>(bytes.data()), &expanded, reinterpret_cast<const Bytef*>(blob.data()),
                 static_cast<uLong>(blob.size())) != Z_OK ||
      expanded != size) {
    return std::nullopt;
  }
  return bytes;
}

}  // namespace tarnwick::desk
