#include "pages/escape_html.h"

#include <gtest/gtest.h>

namespace pagora {
namespace {

struct EscapeCase {
  const char* name;
  std::string text;
  std::string escaped;

  friend void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.name; }
};

class EscapeHtmlTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeHtmlTest, ReplacesTheFourSpecialCharacters) {
  EXPECT_EQ(EscapeHtml(GetParam().text), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EscapeHtmlTest,
    ::testing::Values(
        EscapeCase{"Empty", "", ""},
        EscapeCase{"PlainText", "Plain text 123", "Plain text 123"},
        EscapeCase{"Ampersand", "Tom & Jerry", "Tom &amp; Jerry"},
        EscapeCase{"AngleBrackets", "a<b>c", "a&lt;b&gt;c"},
        EscapeCase{"DoubleQuote", "say \"hi\"", "say &quot;hi&quot;"},
        EscapeCase{"ApostropheStays", "it's", "it's"},
        EscapeCase{"EntityEscapedAgain", "&lt;", "&amp;lt;"},
        EscapeCase{"AmpersandEntityEscapedAgain", "&amp;", "&amp;amp;"},
        EscapeCase{"OnlySpecials", "&\"><", "&amp;&quot;&gt;&lt;"},
        EscapeCase{"LineEndsStay", "a\r\nb\n", "a\r\nb\n"},
        EscapeCase{"HighBytesStay", "caf\xE9 \xA9", "caf\xE9 \xA9"},
        EscapeCase{"EmbeddedZeroStays", std::string("a\0<", 3), std::string("a\0&lt;", 6)}),
    [](const ::testing::TestParamInfo<EscapeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pagora
