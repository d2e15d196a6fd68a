#include "pages/page_template.h"

namespace pagora {
namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kSoftwareHome = "https://www.example.org/veltrina/";
constexpr const char* kMakerHome = "https://www.example.org/";
constexpr const char* kSoftwareVersion = "2.02";

std::string newWindowLink(const std::string& address, const std::string& text) {
  return "<A HREF=" + address + " TARGET=_blank>" + text + "</A>";
}

}  // namespace

std::string PageHeader(const std::string& title) {
  std::string page;
  page += "<HTML>\r\n";
  page += "<HEAD>\r\n";
  page += "<TITLE>" + title + "</TITLE>\r\n";
  page += "<STYLE type=\"text/css\">\r\n";
  // The three rule lines are 34 characters each, braces aligned.
  page += "A:link          { color:#003399; }\r\n";
  page += "A:visited       { color:#003399; }\r\n";
  page += "A:hover         { color:red;     }\r\n";
  page += "</STYLE>\r\n";
  page += "</HEAD>\r\n";
  page += "<BODY BGCOLOR=BLACK TOPMARGIN=0 LEFTMARGIN=0 MARGINWIDTH=0 MARGINHEIGHT=0>\r\n";
  page += "<CENTER>\r\n";
  return page;
}

std::string PageBox(const std::string& title, const std::string& body, const std::string& colour) {
  std::string box;
  box += "<BR>\r\n";
  box += "<TABLE WIDTH=560 BGCOLOR=" + colour +
         " BORDER=1 COLS=1 CELLPADDING=0 CELLSPACING=0><TR><TD ALIGN=CENTER>\r\n";
  box += "&nbsp;<BR>\r\n";
  box += "<TABLE WIDTH=540 BGCOLOR=" + colour + " BORDER=0 COLS=0 CELLPADDING=0 CELLSPACING=0><TR><TD>\r\n";
  box += "<FONT FACE=\"Arial,Helvetica,Verdana\" SIZE=2>\r\n";
  box += "<CENTER><BIG><B>" + title + "</B></BIG></CENTER><BR>\r\n";
  box += body + kCrLf;
  box += "</FONT>\r\n";
  box += "</TD></TR></TABLE>\r\n";
  box += "&nbsp;\r\n";
  box += "</TD></TR></TABLE>\r\n";
  return box;
}

std::string PageFooter() { return "\r\n<BR></CENTER>\r\n</BODY>\r\n</HTML>\r\n"; }

std::string SoftwareBox() {
  std::string body;
  body += "This E-Book was created with ";
  body += newWindowLink(kSoftwareHome, "Veltrina");
  body += " Compiler, version ";
  body += kSoftwareVersion;
  body += "<BR><BR>";
  body += "The " + newWindowLink(kSoftwareHome, "Veltrina") + " compiler and viewer software is copyright " +
          newWindowLink(kMakerHome, "the Pagora developers");
  body += ".";
  return PageBox("Software &amp; Copyright", body, "WHITE");
}

}  // namespace pagora
