#include "authoring_defaults.h"

#include <filesystem>

namespace pagora::book_tool {
namespace {

constexpr std::size_t kMaxEsbnLength = 64;

std::string slug(const std::string& text) {
  std::string out;
  bool pendingDash = false;
  for (unsigned char c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') {
      if (pendingDash && !out.empty()) out += '-';
      pendingDash = false;
      out += static_cast<char>(c);
    } else {
      pendingDash = true;
    }
  }
  if (out.size() > kMaxEsbnLength) out.resize(kMaxEsbnLength);
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out;
}

std::string escapeHtml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

// The stored name as a relative URL: folders split by '/', and every byte
// that is not plainly safe in a path percent-encoded.
std::string relativeUrl(const std::string& storedName) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : storedName) {
    if (c == '\\' || c == '/') {
      out += '/';
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    }
  }
  return out;
}

}  // namespace

std::string bookFileStem(const std::string& bookPath) {
  return std::filesystem::path(bookPath).stem().string();
}

std::string defaultEsbn(const std::string& title, const std::string& bookPath) {
  std::string esbn = slug(title);
  if (esbn.empty()) esbn = slug(bookFileStem(bookPath));
  return esbn.empty() ? "book" : esbn;
}

std::string esbnProblem(const std::string& esbn) {
  if (esbn.empty()) return "it is empty";
  if (esbn == "." || esbn == "..") return "it is \"" + esbn + "\"";
  if (esbn.find_first_of("/\\") != std::string::npos) return "it holds a folder separator ('/' or '\\')";
  if (esbn.find('\0') != std::string::npos) return "it holds a NUL byte";
  return {};
}

std::string startPageHtml(const std::string& storedName, const std::string& title) {
  const std::string url = escapeHtml(relativeUrl(storedName));
  std::string shownName = storedName;
  for (char& c : shownName) {
    if (c == '\\') c = '/';
  }
  return "<!DOCTYPE html>\n"
         "<html>\n"
         "<head>\n"
         "<meta charset=\"utf-8\">\n"
         "<meta http-equiv=\"refresh\" content=\"0; url=" + url + "\">\n"
         "<title>" + escapeHtml(title) + "</title>\n"
         "</head>\n"
         "<body>\n"
         "<p><a href=\"" + url + "\">" + escapeHtml(shownName) + "</a></p>\n"
         "</body>\n"
         "</html>\n";
}

}  // namespace pagora::book_tool
