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
  constexpr std::array<std::string_view, 5> kPrefixes{"http:", "https:", "news:", "mail:", "ftp:"};
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
  if (!IsExternalLink(address) && engineShowsAddress(address)) return NavigationVerdict::Proceed;
  return userGesture ? NavigationVerdict::HandOver : NavigationVerdict::Ignore;
}

NewWindowVerdict decideNewWindow(HeldModifiers held, bool userGesture) {
  // A page's own script may neither raise the notice nor open anything.
  if (!userGesture) return NewWindowVerdict::Ignore;
  if (held.shift) return NewWindowVerdict::RefuseWithNotice;
  if (held.control || held.alt) return NewWindowVerdict::RefuseSilently;
  return NewWindowVerdict::OpenInBrowser;
}

}  // namespace pagora::viewer
