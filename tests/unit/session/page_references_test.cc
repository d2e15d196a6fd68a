// The cheap scan of a page or style sheet for what the engine fetches with
// it, and how an address found in a stored file names another.
#include "session/page_references.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pagora::testing {
namespace {

using Addresses = std::vector<std::string>;

TEST(PageReferencesTest, FindsWhatThePageHasFetchedAndNothingItMerelyLinksTo) {
  struct Case {
    const char* what;
    std::string text;
    Addresses found;
  };
  const Case cases[] = {
      {"style sheet, script, picture, in order",
       R"(<LINK REL="stylesheet" HREF="s.css"><script src='a.js'></script><img alt=x src=p.png>)",
       {"s.css", "a.js", "p.png"}},
      {"links, anchors and forms are not fetched",
       R"(<a href="next.html">n</a><link rel="next" href="n.html"><form action="f.html"><area href="m.html">)", {}},
      {"an icon is fetched", R"(<link rel="shortcut icon" href="favicon.ico">)", {"favicon.ico"}},
      {"frames and objects", R"(<frameset><frame src="toc.html"><frame src=body.html></frameset>)"
                             R"(<iframe src="i.html"></iframe><object data="o.svg"></object><embed src="e.swf">)",
       {"toc.html", "body.html", "i.html", "o.svg", "e.swf"}},
      {"media", R"(<video poster="v.jpg" src="v.webm"><source src="v.mp4"><track src="v.vtt"></video>)"
                R"(<audio src="a.ogg"></audio><input type="image" src="go.png">)",
       {"v.jpg", "v.webm", "v.mp4", "v.vtt", "a.ogg", "go.png"}},
      {"backgrounds", R"(<body background="bg.gif"><table background='t.gif'><td background=c.gif>)",
       {"bg.gif", "t.gif", "c.gif"}},
      {"every candidate of a srcset", R"(<img srcset="a.png 1x, b.png 2x,c.png" src="d.png">)",
       {"a.png", "b.png", "c.png", "d.png"}},
      {"style blocks and style attributes",
       "<style>@import \"more.css\"; body { background: url( 'b.png' ) } /* url(no.png) */ "
       "h1 { background: URL(h.png) }</style><p style=\"background:url(&quot;q.png&quot;)\">",
       {"more.css", "b.png", "h.png", "q.png"}},
      {"character references in addresses", R"(<img src="a&amp;b.png"><img src="&#99;.png">)", {"a&b.png", "c.png"}},
      {"nothing inside comments, scripts or titles",
       "<!-- <img src=\"c.png\"> --><script>var s = '<img src=\"s.png\">';</script>"
       "<title><img src=t.png></title><img src=\"real.png\">",
       {"real.png"}},
      {"a page cut short", R"(<img src="whole.png"><img src="cut)", {"whole.png"}},
      {"no markup at all", "plain text, < and > alone, <<>>", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(scanReferences(c.text, ReferringText::Page), c.found);
  }
}

TEST(PageReferencesTest, FindsImportsAndPicturesOfAStyleSheet) {
  EXPECT_EQ(scanReferences("@import url(base.css);\n@import 'print.css' print;\n/* @import 'no.css'; */\n"
                           "li { list-style: url(\"dot.png\") } @font-face { src: url(f.woff2) format('woff2') }",
                           ReferringText::StyleSheet),
            (Addresses{"base.css", "print.css", "dot.png", "f.woff2"}));
  EXPECT_EQ(scanReferences("<img src=\"x.png\">", ReferringText::StyleSheet), Addresses{})
      << "a style sheet holds no markup";
}

TEST(PageReferencesTest, ScansPagesAndStyleSheetsByTheirNames) {
  EXPECT_EQ(referringTextOf("index.HTML"), ReferringText::Page);
  EXPECT_EQ(referringTextOf("a/b.htm"), ReferringText::Page);
  EXPECT_EQ(referringTextOf("c.xhtml"), ReferringText::Page);
  EXPECT_EQ(referringTextOf("s/Style.CSS"), ReferringText::StyleSheet);
  EXPECT_EQ(referringTextOf("p.png"), std::nullopt);
  EXPECT_EQ(referringTextOf("html"), std::nullopt);
}

TEST(PageReferencesTest, ResolvesAnAddressToTheStoredFileItNames) {
  struct Case {
    const char* from;
    const char* address;
    const char* resolved;  // empty: no stored file
  };
  const Case cases[] = {
      {"index.html", "s.css", "s.css"},
      {"index.html", "./img/a.png", "img/a.png"},
      {"doc/part/page.html", "../img/a.png", "doc/img/a.png"},
      {"doc/page.html", "../../out.png", ""},
      {"doc/page.html", "x/../../y/./z.png", "y/z.png"},
      {"index.html", "a%20b%2Ec.png", "a b.c.png"},
      {"index.html", "img\\a.png", "img/a.png"},
      {"index.html", "a.png?v=2#top", "a.png"},
      {"index.html", " padded.png\n", "padded.png"},
      {"index.html", "a//b.png", "a/b.png"},
      {"index.html", "#top", ""},
      {"index.html", "?query", ""},
      {"index.html", "", ""},
      {"index.html", "/etc/passwd", ""},
      {"index.html", "//host/a.png", ""},
      {"index.html", "http://example.org/a.png", ""},
      {"index.html", "file:///tmp/a.png", ""},
      {"index.html", "data:image/png;base64,AAAA", ""},
      {"index.html", "javascript:void(0)", ""},
      {"index.html", "C:/pics/a.png", ""},
      {"index.html", "folder/", ""},
      {"index.html", "folder/..", ""},
      {"index.html", "a%00b.png", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.address);
    EXPECT_EQ(resolveStoredReference(c.from, c.address), c.resolved);
  }
}

}  // namespace
}  // namespace pagora::testing
