#include "pages/about_page.h"

#include "pages/escape_html.h"
#include "pages/page_template.h"

namespace pagora {
namespace {

std::string mailLink(const std::string& address, const std::string& text) {
  return "<A HREF=MAILTO:" + EscapeHtml(address) + ">" + EscapeHtml(text) + "</A>";
}

}  // namespace

std::string AboutInfoHtml(const BookInfo& texts) {
  // Emptiness is judged on the stored text, before escaping. The web link's
  // target is the address as stored; only its visible text is escaped.
  std::string block = "<BIG><B>" + EscapeHtml(texts.title) + "</B></BIG><BR><BR>";
  if (!texts.publisher.empty()) block += "published by " + EscapeHtml(texts.publisher) + "<BR><BR>";
  if (!texts.author.empty()) {
    block += "by ";
    if (!texts.authorEmail.empty()) {
      block += mailLink(texts.authorEmail, texts.author) + "&nbsp;&nbsp;(" +
               mailLink(texts.authorEmail, texts.authorEmail) + ")";
    } else {
      block += EscapeHtml(texts.author);
    }
    block += "<BR>";
  }
  if (!texts.webAddress.empty()) {
    block += "<A HREF=" + texts.webAddress + " TARGET=_blank>" + EscapeHtml(texts.webAddress) + "</A><BR>";
  }
  if (!texts.contentsNotice.empty()) block += "Contents of this E-Book are " + EscapeHtml(texts.contentsNotice) + "<BR>";
  block += "<BR>";
  block += "<SMALL>ESBN: " + EscapeHtml(texts.esbn) + "</SMALL>";
  return block;
}

std::string AboutPageHtml(const BookInfo& texts) {
  return PageHeader("About") + PageBox("About this E-Book", AboutInfoHtml(texts), "WHITE") + SoftwareBox() +
         PageFooter();
}

}  // namespace pagora
