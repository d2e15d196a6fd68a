#include "viewer/rules/font_sizes.h"

namespace pagora::viewer {

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

}  // namespace pagora::viewer
