#include "viewer/rules/link_policy.h"

#include <gtest/gtest.h>

#include <string>

namespace pagora::viewer {
namespace {

struct AddressCase {
  std::string address;
  bool external;
};

class IsExternalLinkTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(IsExternalLinkTest, ClassifiesByPrefixOfLowerCasedCopy) {
  EXPECT_EQ(IsExternalLink(GetParam().address), GetParam().external) << GetParam().address;
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, IsExternalLinkTest,
    ::testing::Values(AddressCase{"http://example.com/", true}, AddressCase{"HTTP://EXAMPLE.COM/", true},
                    AddressCase{"HtTp:x", true}, AddressCase{"http:", true},
                    AddressCase{"news:comp.lang.c", true}, AddressCase{"NEWS:x", true},
                    AddressCase{"mail:someone", true}, AddressCase{"ftp://example.com/f", true},
                    AddressCase{"FTP:", true}, AddressCase{"ftp:", true},
                    // The web's secure addresses leave the book like any other.
                    AddressCase{"https://example.com/", true}, AddressCase{"HTTPS:x", true},
                    // mailto differs from mail in its fifth character.
                    AddressCase{"mailto:a@b.c", false},
                    AddressCase{"http", false}, AddressCase{"ftp", false}, AddressCase{"htt", false},
                    AddressCase{"", false}, AddressCase{" http://x", false},
                    AddressCase{"file:///tmp/book.qvx/index.html", false},
                    AddressCase{"/tmp/book.qvx/index.html", false}, AddressCase{"about:blank", false},
                    AddressCase{"news", false}, AddressCase{"ftps://x", false},
                    AddressCase{"javascript:alert(1)", false}));

struct NavigationCase {
  std::string address;
  bool userGesture;
  NavigationVerdict verdict;
};

class DecideNavigationTest : public ::testing::TestWithParam<NavigationCase> {};

TEST_P(DecideNavigationTest, GivesTheVerdict) {
  const auto& c = GetParam();
  EXPECT_EQ(decideNavigation(c.address, c.userGesture), c.verdict) << c.address << " gesture=" << c.userGesture;
}

using enum NavigationVerdict;

INSTANTIATE_TEST_SUITE_P(
    Navigations, DecideNavigationTest,
    ::testing::Values(
        NavigationCase{"http://example.com/", true, HandOver},
        NavigationCase{"HTTP://example.com/", true, HandOver},
        NavigationCase{"https://example.com/", true, HandOver},
        NavigationCase{"ftp:", true, HandOver},
        NavigationCase{"news:x", true, HandOver},
        // Without the reader's action nothing leaves.
        NavigationCase{"http://example.com/", false, Ignore}, NavigationCase{"https://example.com/", false, Ignore},
        NavigationCase{"mail:x", false, Ignore},
        NavigationCase{"file:///tmp/b.qvx/index.html", false, Proceed},
        NavigationCase{"file:///tmp/b.qvx/index.html", true, Proceed},
        NavigationCase{"about:blank", false, Proceed},
        NavigationCase{"data:text/html,x", false, Proceed}, NavigationCase{"page2.html", true, Proceed},
        // Schemes only another program opens.
        NavigationCase{"mailto:a@b.c", true, HandOver}, NavigationCase{"tel:123", true, HandOver},
        NavigationCase{"mailto:a@b.c", false, Ignore}, NavigationCase{"irc://x", false, Ignore}));

TEST(EngineShowsAddressTest, KnowsTheEnginesOwnSchemes) {
  for (const char* shown : {"file:///x", "FILE:///x", "about:blank", "data:,x", "blob:x", "https://x", "http://x",
                            "javascript:void(0)", "relative/page.html", "page.html#part"}) {
    EXPECT_TRUE(engineShowsAddress(shown)) << shown;
  }
  for (const char* other : {"mailto:a@b.c", "tel:1", "news:x", "irc://x", "x-custom:thing"}) {
    EXPECT_FALSE(engineShowsAddress(other)) << other;
  }
}

// Only the reader's own action does anything: with a key held it refuses the
// new window (Shift with the notice), with none it opens the default browser.
// A script's request is ignored whatever keys it claims, so it can raise no
// notice. A link clicked with any key held counts as such a request.
TEST(DecideNewWindowTest, OnlyTheReadersActionRefusesWithTheNoticeOrOpensTheBrowser) {
  using enum NewWindowVerdict;
  struct Case {
    const char* keys;  // S, C, A
    bool userGesture;
    NewWindowVerdict verdict;
  };
  const Case cases[] = {
      {"", true, OpenInBrowser},        {"", false, Ignore},
      {"S", true, RefuseWithNotice},    {"S", false, Ignore},
      {"C", true, RefuseSilently},      {"C", false, Ignore},
      {"A", true, RefuseSilently},      {"A", false, Ignore},
      {"SC", true, RefuseWithNotice},   {"SA", false, Ignore},
      {"CA", true, RefuseSilently},     {"SCA", false, Ignore},
  };
  for (const Case& c : cases) {
    const std::string keys = c.keys;
    const HeldModifiers held{keys.find('S') != std::string::npos, keys.find('C') != std::string::npos,
                             keys.find('A') != std::string::npos};
    EXPECT_EQ(decideNewWindow(held, c.userGesture), c.verdict) << "keys \"" << keys << "\" gesture " << c.userGesture;
    EXPECT_EQ(held.any(), !keys.empty()) << "keys \"" << keys << "\" make a click a new-window request";
  }
}

}  // namespace
}  // namespace pagora::viewer
