// The HTML the .htm and .mht files carry runs nothing and loads no page:
// hostile inputs sanitized, then parsed by an HTML5 parser (gumbo) as a
// browser builds the document; every written document declares its
// Content-Security-Policy first. Also the HTML-to-text conversion used for
// .txt and .rtf files of HTML-only mail.
#include "tests/HtmlActiveContent.h"
#include "tests/support/TestSupport.h"
#include "twktools/formats/HtmlSanitizer.h"
#include "twktools/formats/HtmlToText.h"
#include "twktools/formats/SaveAs.h"
#include "twktools/maildir/Backend.h"

#include <QFile>
#include <gtest/gtest.h>

using twkformats::HtmlToText;
using twkformats::SanitizeHtml;
using twkhtmlcheck::ActiveContentIn;

namespace {

struct TSanitizeCase {
  const char* Input;
  const char* MustKeep;  // what stays of it; empty for nothing in particular
};

// Every case holds something that runs or loads a page; none of it may
// survive, whatever parse context a browser reads it in.
const TSanitizeCase kHostile[] = {
    // Mixed case, dropped elements.
    {"<ScRiPt>alert(1)</sCrIpT><p>x</p>", "<p>x</p>"},
    {"<SCRIPT src=evil.js></SCRIPT>after", "after"},
    {"<IFRAME SRC=\"https://evil.example/\">fallback</IFRAME>after", "after"},
    {"<iframe srcdoc=\"&lt;script&gt;alert(1)&lt;/script&gt;\"></iframe>ok", "ok"},
    {"<frameset><frame src=\"https://evil.example/\"></frameset><noframes>nf</noframes>", "nf"},
    {"<object data=\"https://evil.example/x.swf\"><param name=movie value=x.swf><embed src=\"x.swf\">fallback</object>",
     "fallback"},
    {"<applet code=\"Evil.class\">old</applet>", "old"},
    {"<base href=\"https://evil.example/\"><a href=\"page.html\">rel</a>", "<a href=\"page.html\">rel</a>"},
    {"<link rel=stylesheet href=\"https://evil.example/x.css\"><p>l</p>", "<p>l</p>"},
    {"<form action=\"https://evil.example/steal\" method=post><input name=p><button "
     "formaction=\"https://evil.example/2\">Go</button></form>",
     "<input name=\"p\">"},
    {"<meta http-equiv=\"refresh\" content=\"0;url=https://evil.example/\">ok", "ok"},
    {"<META HTTP-EQUIV=Refresh CONTENT=\"0; URL=javascript:alert(1)\">ok", "ok"},
    {"<body ONLOAD=steal()>text", "text"},
    // Entities inside attribute values.
    {"<a href=\"jav&#x61;script&colon;alert(1)\">e1</a>", "e1</a>"},
    {"<a href=\"java&Tab;script:alert(1)\">e2</a>", "e2</a>"},
    {"<a href=\"&#106;&#97;&#118;&#97;&#115;&#99;&#114;&#105;&#112;&#116;&#58;alert(1)\">e3</a>", "e3</a>"},
    {"<a href=\"javascript&#0000058alert(1)\">e4</a>", "e4</a>"},
    {"<a href=\" &#14;javascript:alert(1)\">e5</a>", "e5</a>"},
    {"<a href=\"java&NewLine;script&colon;alert(1)\">e6</a>", "e6</a>"},
    {"<a href=\"data:text/html;base64,PHNjcmlwdD5hbGVydCgxKTwvc2NyaXB0Pg==\">d</a>", "d</a>"},
    {"<a href=\"DaTa:application/xhtml+xml,x\">d2</a>", "d2</a>"},
    // Unquoted attributes and odd separators.
    {"<img src=x onerror=alert(1)>", "src=\"x\""},
    {"<img src=x onerror = alert(1) >", "src=\"x\""},
    {"<svg/onload=alert(1)>", "<svg"},
    {"<img src=x \"onerror=alert(1)\">", "src=\"x\""},
    {"<a href=javascript:alert(1)>u</a>", "u</a>"},
    {"<a href=\"javascript:alert(1)>unterminated", ""},
    // Comments and CDATA hiding tags.
    {"<!--[if gte mso 9]><script>alert(1)</script><![endif]-->visible", "visible"},
    {"<!--><script>alert(1)</script>-->shown", ""},
    {"<!-- --!><script>alert(1)</script> -->", ""},
    {"<![CDATA[><script>alert(1)</script>]]>", ""},
    {"<svg><![CDATA[</svg><img src=x onerror=alert(1)>]]></svg>", ""},
    {"<p>before<script>never closed", "before"},
    // SVG.
    {"<svg><script>alert(1)</script></svg>", "<svg>"},
    {"<svg><script href=\"data:text/javascript,alert(1)\"/></svg>", "<svg>"},
    {"<svg><a xlink:href=\"javascript:alert(1)\"><text>t</text></a></svg>", "<text>t</text>"},
    {"<svg><animate attributeName=\"href\" values=\"javascript:alert(1)\"/><set attributeName=\"onmouseover\" "
     "to=\"alert(1)\"/></svg>",
     "<svg>"},
    {"<svg><use href=\"https://evil.example/x.svg#a\"/><use xlink:href=\"#local\"/></svg>", "href=\"#local\""},
    {"<svg><style><img src=x onerror=alert(1)></style></svg>", "<svg>"},
    {"<math><mtext><mglyph><style>x{background:url(java&NewLine;script&colon;alert(1))}</style></mglyph></mtext></math>",
     "<mglyph>"},
    {"<svg><foreignObject><iframe src=\"https://evil.example/\"></iframe><p>fo</p></foreignObject></svg>", "fo"},
    {"<svg><title><img src=x onerror=alert(1)></title></svg>", ""},
    // MathML.
    {"<math><mtext><table><mglyph><style><img src=x onerror=alert(1)>", ""},
    {"<math href=\"javascript:alert(1)\">m</math>", "m</math>"},
    {"<math><maction actiontype=\"statusline\" xlink:href=\"javascript:alert(1)\">x</maction></math>", "x</maction>"},
    {"<math><mi><iframe src=\"https://evil.example/\"></iframe></mi></math>", "<math>"},
    // Template and raw-text elements.
    {"<template><script>alert(1)</script><img src=x onerror=alert(1)></template>", "<template>"},
    {"<noscript><p title=\"</noscript><img src=x onerror=alert(1)>\"></noscript>", ""},
    {"<xmp><img src=x onerror=alert(1)></xmp>", ""},
    {"<textarea></textarea><script>alert(1)</script></textarea>", "<textarea>"},
    {"<title><script>alert(1)</script></title>", ""},
    {"<style>@import url(javascript:alert(1));</style>", ""},
    {"<style>p { color: red } </style><img src=x onerror=alert(1)></style>", "color: red"},
    {"<div style=\"width: expression(alert(1))\">d</div>", "d</div>"},
    {"<div style=\"background:url(javascript:alert(1))\">d</div>", "d</div>"},
    {"<plaintext><script>alert(1)</script>", ""},
};

std::string Sanitized(const char* html) { return SanitizeHtml(QString::fromUtf8(html)).toStdString(); }

}  // namespace

TEST(HtmlSanitizer, NothingThatRunsOrLoadsAPageSurvives) {
  for (const TSanitizeCase& c : kHostile) {
    SCOPED_TRACE(c.Input);
    const QString out = SanitizeHtml(QString::fromUtf8(c.Input));
    EXPECT_EQ(ActiveContentIn(out), "") << out.toStdString();
    EXPECT_TRUE(out.contains(QString::fromUtf8(c.MustKeep))) << out.toStdString();
    // The document writer tokenizes the result again: it must read the same.
    EXPECT_EQ(SanitizeHtml(out), out);
  }
}

// A browser reads NUL as U+FFFD, which is no blank: "\0#a" is another
// document's fragment, not this one's; other control characters are not
// taken as blanks either.
TEST(HtmlSanitizer, ControlCharacterBeforeAFragmentIsNoLocalReference) {
  QString html = QStringLiteral("<svg><use xlink:href=\"");
  html += QChar(0);
  html += QStringLiteral("#a\"/><use href=\" #b\"/><use href=\x02#c/></svg>");
  const QString out = SanitizeHtml(html);
  EXPECT_EQ(ActiveContentIn(out), "") << out.toStdString();
  EXPECT_FALSE(out.contains(QStringLiteral("#a"))) << out.toStdString();
  EXPECT_FALSE(out.contains(QStringLiteral("#c"))) << out.toStdString();
  EXPECT_TRUE(out.contains(QStringLiteral("href=\" #b\""))) << out.toStdString();
  EXPECT_EQ(SanitizeHtml(out), out);
}

// The checker itself sees what it is meant to see in the raw inputs.
TEST(HtmlSanitizer, TheCheckerFindsTheActiveContentOfTheInputs) {
  int found = 0;
  for (const TSanitizeCase& c : kHostile) found += !ActiveContentIn(QString::fromUtf8(c.Input)).empty();
  // All but those a browser reads as text already (inside comments, CDATA,
  // raw-text elements, an unterminated attribute value).
  EXPECT_GE(found, int(std::size(kHostile)) - 10);
  EXPECT_EQ(ActiveContentIn(QStringLiteral("<svg><style><img src=x onerror=alert(1)></style></svg>")),
            "attribute <img onerror=\"alert(1)\">");
}

TEST(HtmlSanitizer, HarmlessMarkupAndImagesStay) {
  const struct {
    const char* Html;
    const char* Want;
  } cases[] = {
      {"<p title=\"a &gt; b\" class=x>ok</p>", "<p title=\"a &gt; b\" class=\"x\">ok</p>"},
      {"<a href=\"https://example.org/?q=javascript\">j</a>", "<a href=\"https://example.org/?q=javascript\">j</a>"},
      {"<img src=\"cid:logo@x\" alt=\"Logo\">", "<img src=\"cid:logo@x\" alt=\"Logo\">"},
      {"<IMG SRC=https://example.org/a.png WIDTH=10>", "<img src=\"https://example.org/a.png\" width=\"10\">"},
      {"<img src=\"data:image/png;base64,AAAA\">", "<img src=\"data:image/png;base64,AAAA\">"},
      {"<style>p { color: red }</style><p>one</p>", "<style>p { color: red }</style><p>one</p>"},
      {"<style><!-- a > b { x: \"<\" } --></style>", "<style> a > b { x: \"\\3C \" } --></style>"},
      {"<table><tr><td onlyone>1</td></tr></table>", "<table><tr><td>1</td></tr></table>"},
      // A URL parameter is no entity; unknown entities stay for the browser.
      {"<a href=\"https://example.org/?a=1&copy=2&amp;b=3\">q</a>",
       "<a href=\"https://example.org/?a=1&amp;copy=2&amp;b=3\">q</a>"},
      {"<p title=\"&hearts; &copy; &quot;\">&hearts; 1 < 2 &amp; 3</p>",
       "<p title=\"&hearts; \u00a9 &quot;\">&hearts; 1 &lt; 2 &amp; 3</p>"},
      {"<a href=\"x\" href=\"javascript:alert(1)\">first wins</a>", "<a href=\"x\">first wins</a>"},
      {"<br/><svg viewBox=\"0 0 1 1\"><path d=\"M0 0\"/></svg>",
       "<br /><svg viewbox=\"0 0 1 1\"><path d=\"M0 0\" /></svg>"},
  };
  for (const auto& c : cases) EXPECT_EQ(Sanitized(c.Html), c.Want) << c.Html;
}

// The written files: a hostile HTML e-mail with an inline image, as .htm and
// as .mht; each document starts with the policy and holds nothing active,
// and the image stays referenced.
TEST(HtmlDocuments, WrittenFilesDeclareThePolicyAndHoldNothingActive) {
  TScratchDir dir;
  const QByteArray mime =
      "From: Ann <ann@example.org>\nTo: Bob <bob@example.org>\nSubject: News <script>alert(1)</script>\n"
      "Date: Tue, 02 Jan 2024 10:00:00 +0000\nMIME-Version: 1.0\n"
      "Content-Type: multipart/related; boundary=r\n\n--r\nContent-Type: text/html; charset=utf-8\n\n"
      "<html><head><meta http-equiv=refresh content=\"0;url=https://evil.example/\"><base href=\"https://evil.example/\">"
      "<style>p{color:red}</style><script>alert(1)</script></head><body onload=x()>"
      "<iframe src=\"https://evil.example/\"></iframe><p>Hello</p><img src=\"cid:logo@x\">"
      "<svg><style><img src=x onerror=alert(1)></style></svg><form action=\"https://evil.example/\"><input></form>"
      "</body></html>\n"
      "--r\nContent-Type: image/png\nContent-ID: <logo@x>\nContent-Transfer-Encoding: base64\n\niVBORw0KGgo=\n--r--\n";
  TwkPtr<IRDOMail> html = twkmaildir::OpenLooseMessage(mime, QString());
  TwkPtr<IRDOMail> plain = twkmaildir::OpenLooseMessage("Subject: plain\n\n<script>alert(1)</script>\n", QString());
  for (const auto& [mail, name] : {std::pair{html, "html"}, std::pair{plain, "plain"}}) {
    SCOPED_TRACE(name);
    const QString base = dir.File(QString::fromLatin1(name));
    twkformats::SaveMessageAs(mail.get(), base + QStringLiteral(".htm"), olHTML);
    twkformats::SaveMessageAs(mail.get(), base + QStringLiteral(".mht"), olMHTML);
    const QString htm = QString::fromUtf8(dir.Read(QString::fromLatin1(name) + QStringLiteral(".htm")));
    // The .mht read back as a message: its HTML part.
    const QString mht = twkmaildir::OpenLooseMessage(dir.Read(QString::fromLatin1(name) + QStringLiteral(".mht")),
                                                     QString())->HTMLBody();
    for (const QString& doc : {htm, mht}) {
      EXPECT_EQ(twkhtmlcheck::LeadingPolicy(doc), std::string(twkformats::kContentSecurityPolicy.latin1()));
      EXPECT_TRUE(twkhtmlcheck::PolicyForbidsActiveContent(twkhtmlcheck::LeadingPolicy(doc)));
      EXPECT_EQ(ActiveContentIn(doc), "") << doc.toStdString();
    }
    if (QLatin1String(name) == u"html") {
      EXPECT_TRUE(htm.contains(QStringLiteral("<p>Hello</p>")));
      EXPECT_TRUE(mht.contains(QStringLiteral("src=\"cid:logo@x\"")));
    }
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
