// The five font sizes: each command sets a text-only zoom factor. Medium is
// the size a book starts with unless the reader left it at another one.
#pragma once

#include <optional>
#include <string_view>

#include "viewer/rules/command_ids.h"

namespace pagora::viewer {

// The zoom factor of a font-size command (Smallest 0.7 ... Largest 1.45);
// nothing for any other command.
std::optional<double> zoomFactorFor(viewer::CommandId id);

bool isFontSizeCommand(viewer::CommandId id);

// The size one step larger or smaller than `size`, among the same five sizes;
// the largest and the smallest stay where they are. Anything that is not a
// size steps from Medium.
viewer::CommandId largerFontSize(viewer::CommandId size);
viewer::CommandId smallerFontSize(viewer::CommandId size);

// How the record of reading places names a size ("medium"), and the size a
// name stands for; nothing for a name that is no size's.
std::string_view fontSizeName(viewer::CommandId size);
std::optional<viewer::CommandId> fontSizeNamed(std::string_view name);

}  // namespace pagora::viewer
