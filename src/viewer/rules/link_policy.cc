#include "viewer/rules/link_policy.h"

#include <algorithm>
#include <array>
#include <string>

namespace pagora::viewer {
namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowerCopy(std::string_view text) {
  std::string lower(text);
  std::ranges::transform(lower, lower.begin(), lowerAscii);
  return lower;
}

// The scheme in lower case, without the colon; empty when there is none.
std::string schemeOf(std::string_view address) {
  const auto colon = address.find(':');
  if (colon == std::string_view::npos || colon == 0) return {};
  const auto scheme = address.substr(0, colon);
  const bool wellFormed = std::ranges::all_of(scheme, [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '+' || c == '-' || c == '.';
  });
  return wellFormed ? lowerCopy(scheme) : std::string();
}

}  // namespace

bool IsExternalLink(std::string_view address) {
  const std::string lower = lowerCopy(address);
  constexpr std::array<std::string_view, 4> kPrefixes{"http:", "news:", "mail:", "ftp:"};
  return std::ranges::any_of(kPrefixes,
                             [&](std::string_view prefix) { return lower.starts_with(prefix); });
}

bool engineShowsAddress(std::string_view address) {
  constexpr std::array<std::string_view, 7> kShown{"file", "about", "data",  "blob",
                                                   "javascript", "http", "https"};
  const std::string scheme = schemeOf(address);
  // Without a scheme the address is relative to the page: the engine resolves it.
  return scheme.empty() || std::ranges::find(kShown, scheme) != kShown.end();
}

NavigationVerdict decideNavigation(std::string_view address, bool userGesture) {
  if (IsExternalLink(address)) {
    return userGesture ? NavigationVerdict::HandOverAndReload : NavigationVerdict::Ignore;
  }
  if (engineShowsAddress(address)) return NavigationVerdict::Proceed;
  return userGesture ? NavigationVerdict::HandOverAndStay : NavigationVerdict::Ignore;
}

NewWindowVerdict decideNewWindow(HeldModifiers held, bool userGesture) {
  if (held.shift) return NewWindowVerdict::RefuseWithNotice;
  if (held.control || held.alt) return NewWindowVerdict::RefuseSilently;
  return userGesture ? NewWindowVerdict::OpenInBrowser : NewWindowVerdict::Ignore;
}

}  // namespace pagora::viewer
