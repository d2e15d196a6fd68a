// The viewer's entry point. The viewer is a shared library that the `pagora`
// program carries and loads (launcher/); this is the one name it exports.
#include "viewer/app/application.h"

extern "C" __attribute__((visibility("default"))) int pagora_viewer_main(int argc, char** argv) {
  pagora::viewer::Application application;
  return application.run(argc, argv);
}
