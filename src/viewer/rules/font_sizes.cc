#include "viewer/rules/font_sizes.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace pagora::viewer {
namespace {

struct NamedSize {
  CommandId id;
  std::string_view name;
};

// From the smallest up.
constexpr std::array kSizes{
    NamedSize{CommandId::FontSmallest, "smallest"}, NamedSize{CommandId::FontSmaller, "smaller"},
    NamedSize{CommandId::FontMedium, "medium"},     NamedSize{CommandId::FontLarger, "larger"},
    NamedSize{CommandId::FontLargest, "largest"},
};

std::ptrdiff_t indexOf(CommandId size) {
  const auto* found = std::ranges::find(kSizes, size, &NamedSize::id);
  if (found == kSizes.end()) found = std::ranges::find(kSizes, CommandId::FontMedium, &NamedSize::id);
  return std::distance(kSizes.begin(), found);
}

CommandId stepped(CommandId size, std::ptrdiff_t step) {
  const auto last = static_cast<std::ptrdiff_t>(kSizes.size()) - 1;
  return kSizes[static_cast<std::size_t>(std::clamp(indexOf(size) + step, std::ptrdiff_t{0}, last))].id;
}

}  // namespace

std::optional<double> zoomFactorFor(viewer::CommandId id) {
  using enum viewer::CommandId;
  switch (id) {
    case FontLargest: return 1.45;
    case FontLarger: return 1.2;
    case FontMedium: return 1.0;
    case FontSmaller: return 0.85;
    case FontSmallest: return 0.7;
    default: return std::nullopt;
  }
}

bool isFontSizeCommand(viewer::CommandId id) { return zoomFactorFor(id).has_value(); }

CommandId largerFontSize(CommandId size) { return stepped(size, 1); }

CommandId smallerFontSize(CommandId size) { return stepped(size, -1); }

std::string_view fontSizeName(CommandId size) {
  const auto* found = std::ranges::find(kSizes, size, &NamedSize::id);
  return found != kSizes.end() ? found->name : std::string_view();
}

std::optional<CommandId> fontSizeNamed(std::string_view name) {
  const auto* found = std::ranges::find(kSizes, name, &NamedSize::name);
  if (found == kSizes.end()) return std::nullopt;
  return found->id;
}

}  // namespace pagora::viewer
