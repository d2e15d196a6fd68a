// The five font sizes: each command sets a text-only zoom factor. Medium is
// the size every start begins with.
#pragma once

#include <optional>

#include "viewer/rules/command_ids.h"

namespace pagora::viewer {

// The zoom factor of a font-size command (Smallest 0.7 ... Largest 1.45);
// nothing for any other command.
std::optional<double> zoomFactorFor(viewer::CommandId id);

bool isFontSizeCommand(viewer::CommandId id);

}  // namespace pagora::viewer
