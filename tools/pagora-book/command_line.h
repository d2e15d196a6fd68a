// Command-line options of the form "--name VALUE", "--name=VALUE", "-o VALUE"
// and bare flags; "--" ends the options.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pagora::book_tool {

struct OptionSpec {
  std::string name;  // without the leading dashes
  bool takesValue = false;
  char shortName = 0;  // 0: none
  bool repeatable = false;  // may be given more than once; every value is kept
};

struct ParsedArguments {
  std::map<std::string, std::string> options;  // flags map to ""; the last value of a repeatable one
  std::map<std::string, std::vector<std::string>> repeated;  // every value of each repeatable option, in order
  std::vector<std::string> positionals;
  std::string error;  // empty when the arguments parsed

  bool has(const std::string& name) const { return options.count(name) != 0; }
  std::optional<std::string> value(const std::string& name) const;
  std::vector<std::string> values(const std::string& name) const;
};

// An option that is not repeatable may be given once; an unknown option or a
// missing value is an error.
ParsedArguments parseArguments(const std::vector<std::string>& arguments, const std::vector<OptionSpec>& specs);

}  // namespace pagora::book_tool
