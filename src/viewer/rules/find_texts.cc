#include "viewer/rules/find_texts.h"

namespace pagora::viewer {
namespace {

std::string counted(std::size_t count, std::string_view none, std::string_view one, std::string_view many) {
  if (count == 0) return std::string(none);
  if (count == 1) return "1 " + std::string(one);
  return std::to_string(count) + " " + std::string(many);
}

}  // namespace

std::string matchCountText(std::size_t matches, std::size_t countLimit) {
  if (matches > countLimit) return "More than " + std::to_string(countLimit) + " matches";
  return counted(matches, "No matches", "match", "matches");
}

std::string pageCountText(std::size_t pages) { return counted(pages, "No pages", "page", "pages"); }

}  // namespace pagora::viewer
