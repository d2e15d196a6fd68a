// The channel between a viewer and its crash watcher: a stream of records,
// each one kind byte, the path's length as four little-endian bytes, then the
// path's bytes. The watcher's first message, the other way, is its process id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pagora {

enum class WatchRecord : char {
  Folder = 'D',
  File = 'F',
  Tree = 'T',  // a folder removed with everything in it
  AllRemoved = 'R',  // no path: the viewer removed everything recorded so far
};

inline constexpr std::size_t kWatchRecordHeaderSize = 5;  // kind byte and 32-bit length

// Longer paths cannot be named to the system, so the viewer never sends one
// and the watcher takes a longer length for a broken channel.
inline constexpr std::size_t kMaxWatchedPath = 4095;

// Replaces `out` by the record of `kind` for `path`.
void encodeWatchRecord(WatchRecord kind, const std::string& path, std::vector<char>& out);

// The length field of the record whose header starts at `header`.
std::uint32_t watchRecordLength(const char* header);

// Sends all n bytes, retrying when interrupted; false once the other end is
// gone. Async-signal-safe.
bool sendAll(int socket, const void* data, std::size_t n);

}  // namespace pagora
