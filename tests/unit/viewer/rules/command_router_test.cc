#include "viewer/rules/command_router.h"

#include <gtest/gtest.h>

namespace pagora::viewer {
namespace {

TEST(CommandRouterTest, CommandWithoutHandlerIsDisabledAndDoesNothing) {
  CommandRouter router;
  EXPECT_FALSE(router.state(CommandId::GoBack).enabled);
  EXPECT_FALSE(router.execute(CommandId::GoBack));
}

TEST(CommandRouterTest, HandlerWithoutUpdateIsAlwaysEnabled) {
  CommandRouter router;
  int runs = 0;
  router.add(CommandId::GoHome, [&] { ++runs; });
  EXPECT_TRUE(router.state(CommandId::GoHome).enabled);
  EXPECT_FALSE(router.state(CommandId::GoHome).checked);
  EXPECT_TRUE(router.execute(CommandId::GoHome));
  EXPECT_EQ(runs, 1);
}

TEST(CommandRouterTest, DisabledCommandIsDroppedAsTheFrameworkDoes) {
  CommandRouter router;
  bool enabled = false;
  int runs = 0;
  router.add(CommandId::GoBack, [&] { ++runs; }, [&] { return CommandState{enabled, false}; });
  EXPECT_FALSE(router.execute(CommandId::GoBack));
  enabled = true;
  EXPECT_TRUE(router.execute(CommandId::GoBack));
  EXPECT_EQ(runs, 1);
}

TEST(CommandRouterTest, UpdateHandlerGivesTheCheckMark) {
  CommandRouter router;
  CommandId chosen = CommandId::FontMedium;
  for (const auto id : {CommandId::FontLarger, CommandId::FontMedium}) {
    router.add(id, [&chosen, id] { chosen = id; }, [&chosen, id] { return CommandState{true, chosen == id}; });
  }
  EXPECT_TRUE(router.state(CommandId::FontMedium).checked);
  router.execute(CommandId::FontLarger);
  EXPECT_TRUE(router.state(CommandId::FontLarger).checked);
  EXPECT_FALSE(router.state(CommandId::FontMedium).checked);
}

TEST(CommandRouterTest, ObserversHearOfEachCommandAndEachReportedChange) {
  CommandRouter router;
  int heard = 0;
  router.addObserver([&] { ++heard; });
  router.add(CommandId::GoHome, [] {});
  router.execute(CommandId::GoHome);
  router.notifyStateChanged();
  router.execute(CommandId::GoBack);  // no handler: nothing ran, nothing to hear
  EXPECT_EQ(heard, 2);
}

TEST(CommandRouterTest, LaterRegistrationReplacesTheHandler) {
  CommandRouter router;
  int first = 0;
  int second = 0;
  router.add(CommandId::AppAbout, [&] { ++first; });
  router.add(CommandId::AppAbout, [&] { ++second; });
  router.execute(CommandId::AppAbout);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(second, 1);
}

TEST(CommandRouterTest, ActionMayReplaceItsOwnHandler) {
  CommandRouter router;
  int runs = 0;
  router.add(CommandId::AppExit, [&] {
    ++runs;
    router.add(CommandId::AppExit, [] {});
  });
  EXPECT_TRUE(router.execute(CommandId::AppExit));
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace pagora::viewer
