// The five font sizes: each command sets a text-only zoom factor. Medium is
// the size every start begins with.
#pragma once

#include <optional>

#include "resources/command_ids.h"

namespace pagora::ui {

// The zoom factor of a font-size command (Smallest 0.7 ... Largest 1.45);
// nothing for any other command.
std::optional<double> zoomFactorFor(resources::CommandId id);

bool isFontSizeCommand(resources::CommandId id);

}  // namespace pagora::ui
