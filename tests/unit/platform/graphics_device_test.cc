// A graphics device is a DRM node or an NVIDIA card; the control and mode
// setting nodes that come with NVIDIA's driver, and a dri folder without a
// node, are none.
#include "platform/graphics_device.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scratch_folder.h"

namespace pagora::platform {
namespace {

TEST(GraphicsDeviceTest, DrmNodesAndNvidiaCardsOnly) {
  struct Case {
    std::vector<std::string> nodes;
    bool device;
  };
  const Case cases[] = {
      {{}, false},
      {{"dri/renderD128"}, true},
      {{"dri/card0"}, true},
      {{"dri/by-path/pci-0000:00:02.0-card"}, false},
      {{"nvidia0", "nvidiactl"}, true},
      {{"nvidiactl", "nvidia-modeset", "nvidia-uvm"}, false},
      {{"null", "tty0", "fb0"}, false},
  };
  for (const Case& c : cases) {
    const testing::ScratchFolder devices;
    for (const std::string& node : c.nodes) testing::writeFile(devices / node, "");
    EXPECT_EQ(hasGraphicsDevice(devices.path()), c.device) << ::testing::PrintToString(c.nodes);
  }
}

TEST(GraphicsDeviceTest, NoFolderOfDevicesIsNoDevice) {
  const testing::ScratchFolder scratch;
  EXPECT_FALSE(hasGraphicsDevice(scratch / "missing"));
}

}  // namespace
}  // namespace pagora::platform
