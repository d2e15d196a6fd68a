#include "glib/gl_choice.h"

#include <glib.h>

#include <cstring>

#include "platform/graphics_device.h"

namespace pagora::glib {
namespace {

constexpr const char kGlVariable[] = "GDK_GL";
constexpr const char kEngineNote[] = "Disabled hardware acceleration because GTK failed to initialize GL";

void dropEngineNote(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer) {
  if (message != nullptr && std::strncmp(message, kEngineNote, std::strlen(kEngineNote)) == 0) return;
  g_log_default_handler(domain, level, message, nullptr);
}

}  // namespace

GlChoice::GlChoice() {
  if (g_getenv(kGlVariable) != nullptr || platform::hasGraphicsDevice()) return;
  glLeftAlone_ = g_setenv(kGlVariable, "disable", TRUE) != FALSE;
}

GlChoice::~GlChoice() {
  if (glLeftAlone_) g_unsetenv(kGlVariable);
}

void quietenTheEngineAboutGl() {
  // The engine's messages carry no domain of their own.
  g_log_set_handler(nullptr, G_LOG_LEVEL_WARNING, dropEngineNote, nullptr);
}

}  // namespace pagora::glib
