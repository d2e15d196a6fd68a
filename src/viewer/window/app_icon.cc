#include "viewer/window/app_icon.h"

#include <gtk/gtk.h>

#include <memory>

namespace pagora::viewer {
namespace {

struct SurfaceDestroy {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDestroy {
  void operator()(cairo_t* context) const { cairo_destroy(context); }
};

void roundedRectangle(cairo_t* cr, double x, double y, double width, double height, double radius) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + width - radius, y + radius, radius, -G_PI / 2, 0);
  cairo_arc(cr, x + width - radius, y + height - radius, radius, 0, G_PI / 2);
  cairo_arc(cr, x + radius, y + height - radius, radius, G_PI / 2, G_PI);
  cairo_arc(cr, x + radius, y + radius, radius, G_PI, 3 * G_PI / 2);
  cairo_close_path(cr);
}

// Drawn on a 32-unit grid and scaled: cream pages behind a brown cover with a
// darker spine and a golden lamp on its face.
GdkPixbuf* drawIcon(int size) {
  std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size));
  std::unique_ptr<cairo_t, ContextDestroy> context(cairo_create(surface.get()));
  cairo_t* cr = context.get();
  cairo_scale(cr, size / 32.0, size / 32.0);

  roundedRectangle(cr, 7, 3, 23, 27, 2);
  cairo_set_source_rgb(cr, 0.99, 0.96, 0.86);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.55, 0.45, 0.30);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);

  roundedRectangle(cr, 3, 2, 23, 27, 2.5);
  cairo_set_source_rgb(cr, 0.42, 0.26, 0.15);
  cairo_fill(cr);
  cairo_rectangle(cr, 3, 2, 4, 27);
  cairo_set_source_rgb(cr, 0.30, 0.18, 0.10);
  cairo_fill(cr);

  cairo_arc(cr, 16.5, 15.5, 6, 0, 2 * G_PI);
  cairo_set_source_rgb(cr, 0.98, 0.78, 0.30);
  cairo_fill(cr);
  cairo_move_to(cr, 16.5, 11);
  cairo_curve_to(cr, 19, 14, 18.5, 18, 16.5, 19.5);
  cairo_curve_to(cr, 14.5, 18, 14, 14, 16.5, 11);
  cairo_set_source_rgb(cr, 0.90, 0.45, 0.15);
  cairo_fill(cr);

  return gdk_pixbuf_get_from_surface(surface.get(), 0, 0, size, size);
}

}  // namespace

void installApplicationIcon() {
  GList* icons = nullptr;
  for (const int size : {16, 32, 48, 64}) icons = g_list_append(icons, drawIcon(size));
  gtk_window_set_default_icon_list(icons);
  g_list_free_full(icons, g_object_unref);
}

}  // namespace pagora::viewer
