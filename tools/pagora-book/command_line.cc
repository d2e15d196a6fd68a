#include "command_line.h"

#include <algorithm>

namespace pagora::book_tool {

std::optional<std::string> ParsedArguments::value(const std::string& name) const {
  auto found = options.find(name);
  if (found == options.end()) return std::nullopt;
  return found->second;
}

std::vector<std::string> ParsedArguments::values(const std::string& name) const {
  auto found = repeated.find(name);
  return found == repeated.end() ? std::vector<std::string>{} : found->second;
}

ParsedArguments parseArguments(const std::vector<std::string>& arguments, const std::vector<OptionSpec>& specs) {
  ParsedArguments parsed;
  auto fail = [&](std::string message) {
    parsed.error = std::move(message);
    return parsed;
  };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      parsed.positionals.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionSpec* spec = nullptr;
    std::optional<std::string> inlineValue;
    if (argument[1] == '-') {
      std::string name = argument.substr(2);
      if (auto equals = name.find('='); equals != std::string::npos) {
        inlineValue = name.substr(equals + 1);
        name.resize(equals);
      }
      auto found = std::find_if(specs.begin(), specs.end(), [&](const OptionSpec& s) { return s.name == name; });
      if (found != specs.end()) spec = &*found;
    } else if (argument.size() == 2) {
      auto found = std::find_if(specs.begin(), specs.end(), [&](const OptionSpec& s) { return s.shortName == argument[1]; });
      if (found != specs.end()) spec = &*found;
    }
    if (spec == nullptr) return fail("unknown option '" + argument + "'");
    if (parsed.has(spec->name) && !spec->repeatable) return fail("option '--" + spec->name + "' given more than once");
    if (!spec->takesValue) {
      if (inlineValue) return fail("option '--" + spec->name + "' takes no value");
      parsed.options[spec->name] = "";
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= arguments.size()) return fail("option '--" + spec->name + "' needs a value");
      inlineValue = arguments[++i];
    }
    parsed.options[spec->name] = *inlineValue;
    if (spec->repeatable) parsed.repeated[spec->name].push_back(*inlineValue);
  }
  return parsed;
}

}  // namespace pagora::book_tool
