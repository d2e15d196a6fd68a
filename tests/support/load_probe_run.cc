#include "support/load_probe_run.h"

#include <sstream>
#include <stdexcept>

namespace pagora::testing {
namespace {

std::string unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const char code = text[++i];
    if (code == 'n') {
      out += '\n';
    } else if (code == 'r') {
      out += '\r';
    } else if (code == 't') {
      out += '\t';
    } else if (code == 'x' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += code;
    }
  }
  return out;
}

void parseInto(ProbeReport& report) {
  std::istringstream lines(report.process.out);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos) throw std::runtime_error("unexpected probe line: " + line);
    const std::string key = line.substr(0, colon);
    std::string value = unescaped(line.substr(colon + 2));
    if (key == "notice") report.notices.push_back(std::move(value));
    else if (key == "late-notice") report.lateNotices.push_back(std::move(value));
    else if (key == "title") report.title = std::move(value);
    else if (key == "printAllowed") report.printAllowed = std::move(value);
    else if (key == "startPagePath") report.startPagePath = std::move(value);
    else if (key == "private-folder") report.privateFolder = std::move(value);
    else if (key == "registered-file") report.registeredFiles.push_back(std::move(value));
    else if (key == "registered-folder") report.registeredFolders.push_back(std::move(value));
    else if (key == "dump") report.dumps.push_back(std::move(value));
    else if (key == "cwd-before") report.cwdBefore = std::move(value);
    else if (key == "cwd-after") report.cwdAfter = std::move(value);
    else if (key == "left") report.left.push_back(std::move(value));
    else throw std::runtime_error("unexpected probe key: " + key);
  }
}

}  // namespace

std::string loadProbePath() { return PAGORA_LOAD_PROBE; }

ProbeReport runLoadProbe(const std::string& book, const std::string& temporaryDirectory,
                         const std::vector<std::string>& arguments, std::function<void()> inChild) {
  ProbeReport report;
  report.process = runProcess({.program = book,
                               .arguments = arguments,
                               .environment = {{"TMPDIR", temporaryDirectory}},
                               .inChild = std::move(inChild)});
  parseInto(report);
  return report;
}

}  // namespace pagora::testing
