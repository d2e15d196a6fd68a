#include "ui/link_policy.h"

#include <gtest/gtest.h>

#include <string>

namespace pagora::ui {
namespace {

struct AddressCase {
  std::string address;
  bool external;
};

class IsExternalLinkTest : public testing::TestWithParam<AddressCase> {};

TEST_P(IsExternalLinkTest, ClassifiesByPrefixOfLowerCasedCopy) {
  EXPECT_EQ(IsExternalLink(GetParam().address), GetParam().external) << GetParam().address;
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, IsExternalLinkTest,
    testing::Values(AddressCase{"http://example.com/", true}, AddressCase{"HTTP://EXAMPLE.COM/", true},
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

class DecideNavigationTest : public testing::TestWithParam<NavigationCase> {};

TEST_P(DecideNavigationTest, GivesTheVerdict) {
  const auto& c = GetParam();
  EXPECT_EQ(decideNavigation(c.address, c.userGesture), c.verdict) << c.address << " gesture=" << c.userGesture;
}

using enum NavigationVerdict;

INSTANTIATE_TEST_SUITE_P(
    Navigations, DecideNavigationTest,
    testing::Values(
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

struct NewWindowCase {
  HeldModifiers held;
  bool userGesture;
  NewWindowVerdict verdict;
};

class DecideNewWindowTest : public testing::TestWithParam<NewWindowCase> {};

TEST_P(DecideNewWindowTest, GivesTheVerdict) {
  const auto& c = GetParam();
  EXPECT_EQ(decideNewWindow(c.held, c.userGesture), c.verdict)
      << "shift=" << c.held.shift << " control=" << c.held.control << " alt=" << c.held.alt
      << " gesture=" << c.userGesture;
}

constexpr HeldModifiers kNone{false, false, false};
constexpr HeldModifiers kShift{true, false, false};
constexpr HeldModifiers kControl{false, true, false};
constexpr HeldModifiers kAlt{false, false, true};
constexpr HeldModifiers kShiftControl{true, true, false};
constexpr HeldModifiers kControlAlt{false, true, true};

INSTANTIATE_TEST_SUITE_P(
    Requests, DecideNewWindowTest,
    testing::Values(NewWindowCase{kShift, true, NewWindowVerdict::RefuseWithNotice},
                    NewWindowCase{kShiftControl, true, NewWindowVerdict::RefuseWithNotice},
                    NewWindowCase{kControl, true, NewWindowVerdict::RefuseSilently},
                    NewWindowCase{kAlt, true, NewWindowVerdict::RefuseSilently},
                    NewWindowCase{kControlAlt, true, NewWindowVerdict::RefuseSilently},
                    NewWindowCase{kNone, true, NewWindowVerdict::OpenInBrowser},
                    NewWindowCase{kNone, false, NewWindowVerdict::Ignore},
                    // A script's request raises no notice, whatever keys it claims.
                    NewWindowCase{kShift, false, NewWindowVerdict::Ignore},
                    NewWindowCase{kControl, false, NewWindowVerdict::Ignore}));

TEST(HeldModifiersTest, AnyIsTrueForEachKey) {
  EXPECT_FALSE(kNone.any());
  EXPECT_TRUE(kShift.any());
  EXPECT_TRUE(kControl.any());
  EXPECT_TRUE(kAlt.any());
}

}  // namespace
}  // namespace pagora::ui
