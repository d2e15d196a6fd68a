// The about page written out byte for byte, independently of the code that
// builds it: once for a book whose texts are all empty, once for a book with
// every text set (including characters that must be escaped).
#pragma once

#include <string>

namespace pagora::expected {

// Everything before the about box's body, and everything after it.
inline const std::string kAboutPageBeforeBlock =
    "<HTML>\r\n"
    "<HEAD>\r\n"
    "<TITLE>About</TITLE>\r\n"
    "<STYLE type=\"text/css\">\r\n"
    "A:link          { color:#003399; }\r\n"
    "A:visited       { color:#003399; }\r\n"
    "A:hover         { color:red;     }\r\n"
    "</STYLE>\r\n"
    "</HEAD>\r\n"
    "<BODY BGCOLOR=BLACK TOPMARGIN=0 LEFTMARGIN=0 MARGINWIDTH=0 MARGINHEIGHT=0>\r\n"
    "<CENTER>\r\n"
    "<BR>\r\n"
    "<TABLE WIDTH=560 BGCOLOR=WHITE BORDER=1 COLS=1 CELLPADDING=0 CELLSPACING=0><TR><TD ALIGN=CENTER>\r\n"
    "&nbsp;<BR>\r\n"
    "<TABLE WIDTH=540 BGCOLOR=WHITE BORDER=0 COLS=0 CELLPADDING=0 CELLSPACING=0><TR><TD>\r\n"
    "<FONT FACE=\"Arial,Helvetica,Verdana\" SIZE=2>\r\n"
    "<CENTER><BIG><B>About this E-Book</B></BIG></CENTER><BR>\r\n";

inline const std::string kSoftwareBox =
    "<BR>\r\n"
    "<TABLE WIDTH=560 BGCOLOR=WHITE BORDER=1 COLS=1 CELLPADDING=0 CELLSPACING=0><TR><TD ALIGN=CENTER>\r\n"
    "&nbsp;<BR>\r\n"
    "<TABLE WIDTH=540 BGCOLOR=WHITE BORDER=0 COLS=0 CELLPADDING=0 CELLSPACING=0><TR><TD>\r\n"
    "<FONT FACE=\"Arial,Helvetica,Verdana\" SIZE=2>\r\n"
    "<CENTER><BIG><B>Software &amp; Copyright</B></BIG></CENTER><BR>\r\n"
    "This E-Book was created with "
    "<A HREF=https://www.example.org/veltrina/ TARGET=_blank>Veltrina</A>"
    " Compiler, version 2.02<BR><BR>"
    "The <A HREF=https://www.example.org/veltrina/ TARGET=_blank>Veltrina</A>"
    " compiler and viewer software is copyright "
    "<A HREF=https://www.example.org/ TARGET=_blank>the Pagora developers</A>.\r\n"
    "</FONT>\r\n"
    "</TD></TR></TABLE>\r\n"
    "&nbsp;\r\n"
    "</TD></TR></TABLE>\r\n";

inline const std::string kAboutPageAfterBlock =
    "\r\n"
    "</FONT>\r\n"
    "</TD></TR></TABLE>\r\n"
    "&nbsp;\r\n"
    "</TD></TR></TABLE>\r\n" +
    kSoftwareBox +
    "\r\n"
    "<BR></CENTER>\r\n"
    "</BODY>\r\n"
    "</HTML>\r\n";

inline const std::string kEmptyAboutBlock = "<BIG><B></B></BIG><BR><BR><BR><SMALL>ESBN: </SMALL>";

// The texts of the "every text set" book.
inline const std::string kFullTitle = "Tom & Jerry's <Guide>";
inline const std::string kFullPublisher = "Acme \"Books\"";
inline const std::string kFullAuthor = "Ann <Author>";
inline const std::string kFullAuthorEmail = "ann&co@example.org";
inline const std::string kFullWebAddress = "https://www.example.org/?a=1&b=2";
inline const std::string kFullContentsNotice = "(c) 2024 Ann > Bob";
inline const std::string kFullEsbn = "ESBN-42";

inline const std::string kFullAboutBlock =
    "<BIG><B>Tom &amp; Jerry's &lt;Guide&gt;</B></BIG><BR><BR>"
    "published by Acme &quot;Books&quot;<BR><BR>"
    "by <A HREF=MAILTO:ann&amp;co@example.org>Ann &lt;Author&gt;</A>&nbsp;&nbsp;"
    "(<A HREF=MAILTO:ann&amp;co@example.org>ann&amp;co@example.org</A>)<BR>"
    "<A HREF=https://www.example.org/?a=1&b=2 TARGET=_blank>https://www.example.org/?a=1&amp;b=2</A><BR>"
    "Contents of this E-Book are (c) 2024 Ann &gt; Bob<BR>"
    "<BR>"
    "<SMALL>ESBN: ESBN-42</SMALL>";

inline const std::string kEmptyAboutPage = kAboutPageBeforeBlock + kEmptyAboutBlock + kAboutPageAfterBlock;
inline const std::string kFullAboutPage = kAboutPageBeforeBlock + kFullAboutBlock + kAboutPageAfterBlock;

}  // namespace pagora::expected
