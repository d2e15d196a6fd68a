#include "viewer/engine/reading_style_sheets.h"

namespace pagora::viewer {
namespace {

struct Palette {
  const char* scheme;  // for the engine's own scroll bars and form controls
  const char* background;
  const char* text;
  const char* link;
  const char* visited;
  const char* border;
};

Palette paletteOf(ReadingStyle style) {
  switch (style) {
    case ReadingStyle::Light: return {"light", "#ffffff", "#1b1b1b", "#0b4fb3", "#6b3fa0", "#c8c8c8"};
    case ReadingStyle::Sepia: return {"light", "#f4ecd8", "#4d3b2a", "#8a3d0a", "#6a4a7a", "#c9b896"};
    case ReadingStyle::Dark: return {"dark", "#1c1c1e", "#e2e2e2", "#8ab4f8", "#c9a0f5", "#4a4a4e"};
    case ReadingStyle::BookOwn: break;
  }
  return {};
}

}  // namespace

std::string styleSheetFor(ReadingStyle style) {
  const Palette p = paletteOf(style);
  if (p.scheme == nullptr) return {};
  const std::string background = p.background;
  const std::string text = p.text;
  // The page takes the background; everything on it lets it through, so
  // that nothing laid over a picture hides it. Pictures, drawings and frames
  // keep their own looks.
  const std::string untouched = ":not(img):not(svg):not(svg *):not(video):not(canvas):not(picture)"
                                ":not(iframe):not(frame):not(embed):not(object)";
  return ":root { color-scheme: " + std::string(p.scheme) + " !important; }\n"
         "html, body { background: " + background + " !important; color: " + text + " !important; }\n"
         "body *" + untouched + " { background-color: transparent !important; color: " + text +
         " !important; border-color: " + p.border + " !important; text-shadow: none !important; }\n"
         "input, textarea, select, button { background-color: " + background + " !important; }\n"
         "a:link, a:link *" + untouched + " { color: " + p.link + " !important; }\n"
         "a:visited, a:visited *" + untouched + " { color: " + p.visited + " !important; }\n";
}

ReadingStyleSheets::ReadingStyleSheets(WebKitUserContentManager* content)
    : content_(WEBKIT_USER_CONTENT_MANAGER(g_object_ref(content))) {}

ReadingStyleSheets::~ReadingStyleSheets() { replaceWith(nullptr); }

void ReadingStyleSheets::apply(ReadingStyle style, ReadingStyle viewerStyle,
                               const std::vector<std::string>& viewerPages) {
  if (style != ReadingStyle::BookOwn) {
    const std::string source = styleSheetFor(style);
    replaceWith(Sheet(webkit_user_style_sheet_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                  WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr)));
    return;
  }
  if (viewerStyle == ReadingStyle::BookOwn || viewerPages.empty()) {
    replaceWith(nullptr);
    return;
  }
  std::vector<const char*> allowed;
  for (const std::string& page : viewerPages) allowed.push_back(page.c_str());
  allowed.push_back(nullptr);
  const std::string source = styleSheetFor(viewerStyle);
  replaceWith(Sheet(webkit_user_style_sheet_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                                WEBKIT_USER_STYLE_LEVEL_USER, allowed.data(), nullptr)));
}

void ReadingStyleSheets::replaceWith(Sheet sheet) {
  if (sheet_) webkit_user_content_manager_remove_style_sheet(content_.get(), sheet_.get());
  sheet_ = std::move(sheet);
  if (sheet_) webkit_user_content_manager_add_style_sheet(content_.get(), sheet_.get());
}

}  // namespace pagora::viewer
