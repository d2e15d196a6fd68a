// What a book says when its viewer cannot be loaded, for each kind of thing
// the loader reports: a missing library names it and the packages that bring
// the engine; a library too old says so; anything else says only what failed.
#include "viewer/app/launcher/engine_message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pagora::launcher {
namespace {

struct LoaderCase {
  const char* reason;
  LoadFault fault;
  std::vector<std::string> said;     // in the message
  std::vector<std::string> notSaid;  // never in it
};

class EngineMessageTest : public ::testing::TestWithParam<LoaderCase> {};

TEST_P(EngineMessageTest, SaysWhatFailedAndWhatToInstall) {
  const LoaderCase& row = GetParam();
  EXPECT_EQ(classifyLoadFault(row.reason), row.fault);
  char message[2048];
  composeEngineMessage("/home/reader/My Book", row.reason, message, sizeof message);
  const std::string text = message;
  EXPECT_NE(text.find("\"/home/reader/My Book\""), std::string::npos) << text;
  for (const std::string& part : row.said) EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
  for (const std::string& part : row.notSaid) EXPECT_EQ(text.find(part), std::string::npos) << part << " in " << text;
}

const std::vector<std::string> kPackages = {"libwebkit2gtk-4.1-0 (Debian, Ubuntu)", "webkit2gtk4.1 (Fedora)"};

INSTANTIATE_TEST_SUITE_P(
    LoaderWords, EngineMessageTest,
    ::testing::Values(
        LoaderCase{"libwebkit2gtk-4.1.so.0: cannot open shared object file: No such file or directory",
                   LoadFault::MissingLibrary,
                   {"the library libwebkit2gtk-4.1.so.0 is not installed", kPackages[0], kPackages[1]},
                   {"No such file"}},
        LoaderCase{"libgtk-3.so.0: cannot open shared object file: No such file or directory",
                   LoadFault::MissingLibrary,
                   {"the library libgtk-3.so.0 is not installed", kPackages[0], kPackages[1]},
                   {}},
        LoaderCase{"/proc/self/fd/3: undefined symbol: webkit_web_view_evaluate_javascript", LoadFault::UnfitLibrary,
                   {"too old", "webkit_web_view_evaluate_javascript", kPackages[0], kPackages[1]},
                   {}},
        LoaderCase{"/lib/libwebkit2gtk-4.1.so.0: version `WEBKIT_2.40' not found (required by /proc/self/fd/3)",
                   LoadFault::UnfitLibrary,
                   {"too old", kPackages[0]},
                   {}},
        LoaderCase{"cannot hold the viewer in memory: Function not implemented", LoadFault::Other,
                   {"cannot hold the viewer in memory: Function not implemented."},
                   {kPackages[0], "install"}}));

TEST(EngineMessageTest, ALongReasonIsCutToFit) {
  const std::string reason(5000, 'x');
  char message[256];
  composeEngineMessage("/book", (reason + ": cannot open shared object file").c_str(), message, sizeof message);
  EXPECT_EQ(std::string(message).size(), sizeof message - 1);
}

}  // namespace
}  // namespace pagora::launcher
