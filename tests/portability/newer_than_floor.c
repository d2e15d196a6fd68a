// A program the symbol floor must refuse: it imports a glibc symbol newer
// than 2.34 (arc4random, 2.36) and a WebKitGTK function newer than 2.40
// (webkit_web_view_get_theme_color, 2.50), beside old ones of each that must
// pass. It is only linked, never run.
#include <stdio.h>
#include <stdlib.h>
#include <webkit2/webkit2.h>

int main(int argc, char** argv) {
  (void)argv;
  if (argc > 1) {
    GtkWidget* view = webkit_web_view_new();
    GdkRGBA color;
    webkit_web_view_get_theme_color(WEBKIT_WEB_VIEW(view), &color);
  }
  printf("%u\n", arc4random());
  return 0;
}
