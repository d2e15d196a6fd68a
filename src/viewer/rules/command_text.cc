#include "viewer/rules/command_text.h"

namespace pagora::viewer {

std::string statusPrompt(std::string_view text) {
  return std::string(text.substr(0, text.find('\n')));
}

std::string tooltipText(std::string_view text) {
  const auto start = text.find('\n');
  if (start == std::string_view::npos) return {};
  const auto rest = text.substr(start + 1);
  return std::string(rest.substr(0, rest.find('\n')));
}

std::string toolbarLabel(std::string_view text) {
  std::string_view last;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const auto piece = text.substr(0, end);
    if (!piece.empty()) last = piece;
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return std::string(last);
}

MenuLabel parseMenuLabel(std::string_view label) {
  MenuLabel result;
  const auto tab = label.find('\t');
  if (tab != std::string_view::npos) result.shortcut = label.substr(tab + 1);
  const auto caption = label.substr(0, tab);
  for (std::size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '&' && i + 1 < caption.size()) {
      const char next = caption[++i];
      if (next == '&') {
        result.mnemonic += '&';
      } else {
        result.mnemonic += '_';
        result.mnemonic += next == '_' ? std::string("__") : std::string(1, next);
      }
    } else if (c == '_') {
      result.mnemonic += "__";
    } else {
      result.mnemonic += c;
    }
  }
  return result;
}

}  // namespace pagora::viewer
