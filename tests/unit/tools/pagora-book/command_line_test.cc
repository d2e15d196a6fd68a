#include "command_line.h"

#include <gtest/gtest.h>

namespace pagora::book_tool {
namespace {

const std::vector<OptionSpec> kSpecs = {{"output", true, 'o'}, {"title", true}, {"no-print", false}, {"help", false, 'h'}};

TEST(CommandLineTest, AcceptedForms) {
  struct Case {
    std::vector<std::string> arguments;
    std::map<std::string, std::string> options;
    std::vector<std::string> positionals;
  };
  const Case cases[] = {
      {{}, {}, {}},
      {{"src"}, {}, {"src"}},
      {{"src", "-o", "book"}, {{"output", "book"}}, {"src"}},
      {{"--output=book", "src"}, {{"output", "book"}}, {"src"}},
      {{"--title", "--not-an-option"}, {{"title", "--not-an-option"}}, {}},
      {{"--title="}, {{"title", ""}}, {}},
      {{"--no-print", "-h", "x", "y"}, {{"no-print", ""}, {"help", ""}}, {"x", "y"}},
      {{"--", "--title", "-o"}, {}, {"--title", "-o"}},
      {{"-"}, {}, {"-"}},
  };
  for (const Case& c : cases) {
    ParsedArguments parsed = parseArguments(c.arguments, kSpecs);
    EXPECT_EQ(parsed.error, "") << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(parsed.options, c.options) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(parsed.positionals, c.positionals) << ::testing::PrintToString(c.arguments);
  }
}

TEST(CommandLineTest, RefusedForms) {
  struct Case {
    std::vector<std::string> arguments;
    std::string error;
  };
  const Case cases[] = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"-x"}, "unknown option '-x'"},
      {{"-oo"}, "unknown option '-oo'"},
      {{"-o"}, "option '--output' needs a value"},
      {{"--title", "a", "--title", "b"}, "option '--title' given more than once"},
      {{"--no-print=yes"}, "option '--no-print' takes no value"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parseArguments(c.arguments, kSpecs).error, c.error) << ::testing::PrintToString(c.arguments);
  }
}

}  // namespace
}  // namespace pagora::book_tool
