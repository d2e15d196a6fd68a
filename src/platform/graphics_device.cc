#include "platform/graphics_device.h"

#include <dirent.h>

#include <cctype>
#include <memory>
#include <string_view>

namespace pagora::platform {
namespace {

struct DirectoryClose {
  void operator()(DIR* directory) const { closedir(directory); }
};

// True when an entry of `folder` is named by `matches`.
template <typename Matches>
bool anyEntry(const std::string& folder, Matches matches) {
  const std::unique_ptr<DIR, DirectoryClose> directory(opendir(folder.c_str()));
  if (!directory) return false;
  while (const dirent* entry = readdir(directory.get())) {
    if (matches(std::string_view(entry->d_name))) return true;
  }
  return false;
}

// "nvidia0" and the like, not "nvidiactl" or "nvidia-modeset".
bool isNvidiaCard(std::string_view name) {
  constexpr std::string_view kPrefix = "nvidia";
  if (!name.starts_with(kPrefix) || name.size() == kPrefix.size()) return false;
  for (const char c : name.substr(kPrefix.size())) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

}  // namespace

bool hasGraphicsDevice(const std::string& devices) {
  const auto isDrmNode = [](std::string_view name) { return name.starts_with("card") || name.starts_with("renderD"); };
  return anyEntry(devices + "/dri", isDrmNode) || anyEntry(devices, isNvidiaCard);
}

}  // namespace pagora::platform
