#include "viewer/rules/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pagora::viewer {
namespace {

using Action = CommandLine::Action;

struct CommandLineCase {
  std::vector<std::string> arguments;
  Action action;
  std::string document;
};

class ParseCommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(ParseCommandLineTest, Parses) {
  const CommandLine parsed = parseCommandLine(GetParam().arguments);
  EXPECT_EQ(parsed.action, GetParam().action);
  EXPECT_EQ(parsed.document, GetParam().document);
  EXPECT_EQ(parsed.error.empty(), parsed.action != Action::Refuse);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseCommandLineTest,
    ::testing::Values(CommandLineCase{{}, Action::Run, ""}, CommandLineCase{{"notes.txt"}, Action::Run, "notes.txt"},
                    CommandLineCase{{"--help"}, Action::ShowHelp, ""}, CommandLineCase{{"-h"}, Action::ShowHelp, ""},
                    CommandLineCase{{"doc", "--help"}, Action::ShowHelp, ""},
                    CommandLineCase{{"--version"}, Action::ShowVersion, ""},
                    CommandLineCase{{"--bogus"}, Action::Refuse, ""}, CommandLineCase{{"-x"}, Action::Refuse, ""},
                    CommandLineCase{{"a", "b"}, Action::Refuse, ""}, CommandLineCase{{""}, Action::Refuse, ""},
                    // After "--" everything is a document name.
                    CommandLineCase{{"--", "--help"}, Action::Run, "--help"},
                    CommandLineCase{{"--", "-"}, Action::Run, "-"}, CommandLineCase{{"-"}, Action::Run, "-"}));

TEST(UsageTextTest, NamesTheProgramAndTheOptions) {
  const std::string usage = usageText("my-book");
  EXPECT_EQ(usage.rfind("Usage: my-book [DOCUMENT]\n", 0), 0U);
  EXPECT_NE(usage.find("--help"), std::string::npos);
  EXPECT_NE(usage.find("--version"), std::string::npos);
}

}  // namespace
}  // namespace pagora::viewer
