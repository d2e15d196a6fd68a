#include "session/watch_channel.h"

#include <sys/socket.h>

#include <cerrno>

#include "container/coding.h"

namespace pagora {

void encodeWatchRecord(WatchRecord kind, const std::string& path, std::vector<char>& out) {
  unsigned char length[4];
  encodeFixed32(static_cast<std::uint32_t>(path.size()), length);
  out.assign({static_cast<char>(kind), static_cast<char>(length[0]), static_cast<char>(length[1]),
              static_cast<char>(length[2]), static_cast<char>(length[3])});
  out.insert(out.end(), path.begin(), path.end());
}

std::uint32_t watchRecordLength(const char* header) {
  return decodeFixed32(reinterpret_cast<const unsigned char*>(header + 1));
}

bool sendAll(int socket, const void* data, std::size_t n) {
  const char* bytes = static_cast<const char*>(data);
  while (n > 0) {
    const ssize_t written = ::send(socket, bytes, n, MSG_NOSIGNAL);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    n -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace pagora
