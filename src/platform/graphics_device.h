// Whether this machine has a graphics device to draw with: a kernel DRM node
// (dri/card*, dri/renderD*) or NVIDIA's own (nvidia0, nvidia1, ...). Without
// one, any GL it offers is drawn on the processor.
#pragma once

#include <string>

namespace pagora::platform {

// `devices` is the folder of device nodes; a test points it elsewhere.
bool hasGraphicsDevice(const std::string& devices = "/dev");

}  // namespace pagora::platform
