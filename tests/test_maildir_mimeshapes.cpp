// Every MIME leaf of a message is shown in its body or is an attachment:
// messages shaped as mail programs send them (tests/fixtures/mime), read
// through the component's interfaces and written in all seven formats, the
// files read back with independent readers.
#include "support/TestSupport.h"
#include "twktools/formats/SaveAs.h"
#include "twktools/maildir/Backend.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

std::string S(const QString& s) { return s.toStdString(); }

QByteArray Fixture(const QString& name) {
  QFile f(SourcePath(QStringLiteral("tests/fixtures/mime/") + name));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << S(name);
  return f.readAll();
}

TwkPtr<IRDOMail> OpenFixture(const QString& name) {
  return twkmaildir::OpenLooseMessage(Fixture(name), SourcePath(QStringLiteral("tests/fixtures/mime/") + name));
}

QString AttachmentList(IRDOMail* mail) {
  QStringList names;
  TwkPtr<IRDOAttachments> atts = mail->Attachments();
  for (int i = 1; i <= atts->Count(); ++i) {
    TwkPtr<IRDOAttachment> a = atts->Item(i);
    names << a->FileName() + u'|' + QString::number(a->Type()) + (a->Hidden() ? QStringLiteral("|hidden") : QString());
  }
  return names.join(u';');
}

// Each word once, in this order.
void ExpectWordsInOrder(const QString& text, const QStringList& words, const char* what) {
  qsizetype at = 0;
  for (const QString& w : words) {
    const qsizetype found = text.indexOf(w, at);
    EXPECT_GE(found, 0) << what << " lacks " << S(w) << " after offset " << at << ":\n" << S(text);
    EXPECT_EQ(text.count(w), 1) << what << " holds " << S(w) << " more than once:\n" << S(text);
    if (found >= 0) at = found + w.size();
  }
}

struct TShape {
  const char* File;
  const char* Attachments;        // FileName|Type[|hidden], in order
  QStringList Plain;              // words of the plain body, in order
  QStringList Html;               // words of the HTML body; none: no HTML body
};

const TShape kShapes[] = {
    {"list-footer.eml", "0001-date-parser.patch|1", {"Mainbodyword", "Footerword"}, {}},
    {"list-footer-html.eml", "", {"Mainbodyword", "Footerword"}, {"Mainbodyword", "Footerword"}},
    {"ios-text-image-text.eml", "IMG_0042.png|1", {"Mainbodyword", "Afterimageword"}, {}},
    {"applemail-html-image.eml", "map.png|1", {"Mainbodyword", "Afterimageword"}, {"Htmlmainword", "Htmlafterword"}},
    {"gmail-alternative-pdf.eml", "invoice-2024-03.pdf|1", {"Mainbodyword"}, {"Htmlmainword"}},
    {"outlook-related-in-alternative.eml", "image001.png|1|hidden;Q1.xlsx|1", {"Mainbodyword"}, {"Htmlmainword"}},
    {"scanner-lone-attachment.eml", "scan_0001.pdf|1", {}, {}},
    {"empty-multipart.eml", "", {}, {}},
    {"thunderbird-forward-attached.eml", "Re Offer 122024.eml|5;.eml|5", {"Mainbodyword"}, {}},
};

}  // namespace

TEST(MimeShapes, EveryLeafIsBodyOrAttachment) {
  for (const TShape& shape : kShapes) {
    SCOPED_TRACE(shape.File);
    TwkPtr<IRDOMail> mail = OpenFixture(QLatin1String(shape.File));
    EXPECT_EQ(S(AttachmentList(mail.get())), shape.Attachments);
    const QString body = mail->Body();
    const QString html = mail->HTMLBody();
    if (shape.Plain.isEmpty()) {
      EXPECT_EQ(S(body), "");
    }
    ExpectWordsInOrder(body, shape.Plain, "Body");
    if (shape.Html.isEmpty()) {
      EXPECT_EQ(S(html), "");
    }
    ExpectWordsInOrder(html, shape.Html, "HTMLBody");
  }
}

TEST(MimeShapes, HtmlBodyShowsFurtherTextAsEscapedPreformattedText) {
  TwkPtr<IRDOMail> mail = OpenFixture(QStringLiteral("list-footer-html.eml"));
  const QString html = mail->HTMLBody();
  EXPECT_TRUE(html.startsWith(QStringLiteral("<div dir=\"ltr\">"))) << S(html);
  EXPECT_TRUE(html.contains(QStringLiteral("<pre>________"))) << S(html);
  // The footer's address stays text, never markup.
  EXPECT_TRUE(html.contains(QStringLiteral("users mailing list Footerword\nusers@lists.example.org\n</pre>"))) << S(html);
  // A text part inside an HTML document goes before its end.
  TwkPtr<IRDOMail> apple = OpenFixture(QStringLiteral("applemail-html-image.eml"));
  const QString doc = apple->HTMLBody();
  EXPECT_LT(doc.indexOf(QStringLiteral("Htmlafterword")), doc.lastIndexOf(QStringLiteral("</body>"))) << S(doc);
}

// Every format carries the whole body: the words of every text leaf.
TEST(MimeShapes, AllSevenFormatsCarryEveryTextLeaf) {
  struct TFormat {
    const char* Suffix;
    int Code;
  } const formats[] = {{".txt", olTXT},   {".htm", olHTML}, {".mht", olMHTML},       {".rtf", olRTF},
                       {".eml", olRFC822}, {".msg", olMSG},  {"-u.msg", olMSGUnicode}};
  TScratchDir out;
  for (const TShape& shape : kShapes) {
    if (shape.Plain.isEmpty()) continue;
    SCOPED_TRACE(shape.File);
    TwkPtr<IRDOMail> mail = OpenFixture(QLatin1String(shape.File));
    const QString base = out.File(QLatin1String(shape.File).chopped(4));
    for (const TFormat& f : formats) twkformats::SaveMessageAs(mail.get(), base + QLatin1String(f.Suffix), f.Code);
    const TRunResult r = RunProgram(DebianPython(), {TestToolPath(QStringLiteral("fmt_texts.py")), base});
    ASSERT_EQ(r.ExitCode, 0) << r.Stderr.constData();
    const QJsonObject texts = QJsonDocument::fromJson(r.Stdout).object();
    for (const char* format : {"txt", "rtf", "msg", "msg-u"}) {
      SCOPED_TRACE(format);
      const QString text = texts[QLatin1String(format)].toString().simplified();
      for (const QString& w : shape.Plain) EXPECT_TRUE(text.contains(w)) << S(w) << " not in " << S(text);
    }
    const QStringList shown = shape.Html.isEmpty() ? shape.Plain : shape.Html;
    for (const char* format : {"htm", "mht"}) {
      SCOPED_TRACE(format);
      ExpectWordsInOrder(texts[QLatin1String(format)].toString(), shown, format);
    }
  }
}

// An attached mail without a name: its subject made a valid file name with
// ".eml" (only ".eml" without a subject); its bytes are the attached mail.
TEST(MimeShapes, AttachedMailIsNamedBySubject) {
  TwkPtr<IRDOMail> mail = OpenFixture(QStringLiteral("thunderbird-forward-attached.eml"));
  TwkPtr<IRDOAttachments> atts = mail->Attachments();
  ASSERT_EQ(atts->Count(), 2);
  TwkPtr<IRDOAttachment> first = atts->Item(1);
  EXPECT_EQ(S(first->DisplayName()), "Re: Offer 12/2024?");
  TScratchDir out;
  first->SaveAsFile(out.File(QStringLiteral("first.eml")));
  const QByteArray source = Fixture(QStringLiteral("thunderbird-forward-attached.eml"));
  const qsizetype start = source.indexOf("From: Lars Supplier");
  const qsizetype end = source.indexOf("\n--------------8B1mD2Qx0Zt5Yv3cRk7WsA9e", start);
  EXPECT_EQ(out.Read(QStringLiteral("first.eml")), source.mid(start, end - start));
  EXPECT_EQ(first->Size(), end - start);
  EXPECT_EQ(S(first->EmbeddedMsg()->Body()), "Our offer stands. Innerword\n");
}

// A base64 body whose last quantum lacks its padding: every remainder of
// characters decodes to what `base64 -di` (and Python) make of them, in an
// attachment and in a text body alike.
TEST(MimeShapes, UnpaddedBase64DecodesEveryByteItCarries) {
  const char* encodings[] = {"QUJDREVG", "QUJDREVGRw", "QUJDREVGR0g", "QUJDREVGR0hJ", "QUJDREVGR0hJS"};
  for (const char* encoded : encodings) {
    SCOPED_TRACE(encoded);
    const TRunResult reference = RunProgram(QStringLiteral("base64"), {QStringLiteral("-di")}, encoded);
    const QByteArray expected = reference.Stdout;
    ASSERT_FALSE(expected.isEmpty());
    const QByteArray mime = QByteArray("From: a@example.org\nSubject: b64\nMIME-Version: 1.0\n"
                                       "Content-Type: multipart/mixed; boundary=b\n\n"
                                       "--b\nContent-Type: text/plain; charset=us-ascii\nContent-Transfer-Encoding: base64\n\n") +
                            encoded + "\n--b\nContent-Type: application/octet-stream; name=data.bin\n"
                                      "Content-Transfer-Encoding: base64\n\n" + encoded + "\n--b--\n";
    TwkPtr<IRDOMail> mail = twkmaildir::OpenLooseMessage(mime, QString());
    EXPECT_EQ(mail->Body().toLatin1(), expected);
    TwkPtr<IRDOAttachment> att = mail->Attachments()->Item(1);
    EXPECT_EQ(att->Data(), expected);
    EXPECT_EQ(att->Size(), expected.size());
    TScratchDir out;
    att->SaveAsFile(out.File(QStringLiteral("data.bin")));
    EXPECT_EQ(out.Read(QStringLiteral("data.bin")), expected);
  }
}
