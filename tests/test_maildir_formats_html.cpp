// The HTML the .htm and .mht files carry holds nothing that runs, and the
// HTML-to-text conversion used for .txt and .rtf files of HTML-only mail.
#include "twktools/formats/HtmlSanitizer.h"
#include "twktools/formats/HtmlToText.h"

#include <gtest/gtest.h>

using twkformats::HtmlToText;
using twkformats::SanitizeHtml;

namespace {

struct TSanitizeCase {
  const char* Input;
  const char* MustKeep;  // substring that stays; empty for none
};

// Every case holds something that runs; none of it may survive.
const TSanitizeCase kHostile[] = {
    {"<script>alert(1)</script><p>x</p>", "<p>x</p>"},
    {"<SCRIPT src=evil.js></SCRIPT>after", "after"},
    {"<img src=\"a.png\" onerror=\"alert(1)\">", "src=\"a.png\""},
    {"<body ONLOAD=steal()>text", "text"},
    {"<a href=\"JaVaScRiPt:alert(1)\">link</a>", "link</a>"},
    {"<a href=\"java&#x09;script:alert(1)\">tab</a>", "tab</a>"},
    {"<a href='  javascript:alert(1)'>sp</a>", "sp</a>"},
    {"<a href=vbscript:msgbox>vb</a>", "vb</a>"},
    {"<iframe srcdoc=\"&lt;script&gt;alert(1)&lt;/script&gt;\"></iframe>", "<iframe"},
    {"<meta http-equiv=\"refresh\" content=\"0;url=javascript:alert(1)\">ok", "ok"},
    {"<!--[if IE]><script>alert(1)</script><![endif]-->visible", "visible"},
    {"<svg><script>alert(1)</script></svg>", "<svg>"},
    {"<div style=\"background:url(javascript:alert(1))\">d</div>", "d</div>"},
    {"<p>before<script>never closed", "before"},
    {"<form action=\"javascript:alert(1)\"><button formaction=\"javascript:x\">b</button></form>", "b</button>"},
};

}  // namespace

TEST(HtmlSanitizer, NothingThatRunsSurvives) {
  for (const TSanitizeCase& c : kHostile) {
    const QString out = SanitizeHtml(QString::fromUtf8(c.Input)).toLower();
    SCOPED_TRACE(c.Input);
    EXPECT_FALSE(out.contains(QStringLiteral("<script"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("script:"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral("alert"))) << out.toStdString();
    EXPECT_FALSE(out.contains(QStringLiteral(" on"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QString::fromUtf8(c.MustKeep).toLower())) << out.toStdString();
  }
}

TEST(HtmlSanitizer, HarmlessMarkupStaysAsItWas) {
  for (const char* html : {"<p title=\"a &gt; b\" class=x>ok</p>", "<a href=\"https://example.org/?q=javascript\">j</a>",
                           "<img src=\"cid:logo@x\" alt=\"Logo\">", "<style>p { color: red }</style><p>one</p>",
                           "<table><tr><td onlyone>1</td></tr></table>"}) {
    const QString in = QString::fromUtf8(html);
    // "onlyone" is an attribute that starts with "on": dropped like an event handler.
    if (in.contains(QStringLiteral("onlyone")))
      EXPECT_EQ(SanitizeHtml(in), QStringLiteral("<table><tr><td>1</td></tr></table>"));
    else
      EXPECT_EQ(SanitizeHtml(in), in) << html;
  }
}

TEST(HtmlToText, BlocksListsEntitiesAndHiddenContent) {
  const struct {
    const char* Html;
    const char* Text;
  } cases[] = {
      {"<p>Hello <b>World</b></p><p>Next</p>", "Hello World\n\nNext\n"},
      {"<ul><li>a</li><li>b</li></ul>", "* a\n* b\n"},
      {"line1<br>line2<br/>line3", "line1\nline2\nline3\n"},
      {"<html><head><title>T</title><style>x{}</style></head><body>Body &amp; more&nbsp;text</body></html>",
       "Body & more text\n"},
      {"<pre>  a\n    b</pre>", "  a\n    b\n"},
      {"<script>var x = '<p>';</script>Visible", "Visible\n"},
      {"&#8364; &euro; &#x1F600; &unknown; &#0;", "\u20AC \u20AC \U0001F600 &unknown; \uFFFD\n"},
      {"<table><tr><td>k</td><td>v</td></tr></table>", "\tk\tv\n"},
      {"  spaced \n\n  words  ", "spaced words\n"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(HtmlToText(QString::fromUtf8(c.Html)), QString::fromUtf8(c.Text)) << c.Html;
}
