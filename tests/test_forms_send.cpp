// The send capture's two questions in their dialogs: texts, the answers of
// each button, the untrusted-link warning, and the send steps on a real
// outgoing message answered through the dialogs.
#include "addin/forms/FrmAskForDeleteLink.h"
#include "addin/forms/FrmAskForReplace.h"
#include "core/LinkRoots.h"
#include "core/SendHandlers.h"
#include "tests/LinkMime.h"
#include "tests/forms/FormsTest.h"

#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

class SendDialogs : public ::testing::Test {
protected:
  TModalSteps Steps;
};

// Presses the button named buttonName on the next dialog of class cls,
// noting what the dialog showed.
void Press(TModalSteps& steps, const char* cls, const QString& buttonName, QStringList* seen = nullptr) {
  steps.Add(cls, [buttonName, seen](QWidget* w) {
    if (seen) {
      *seen << w->windowTitle() << Control<QPlainTextEdit>(w, QStringLiteral("Memo"))->toPlainText()
            << Control<QLabel>(w, QStringLiteral("LabelQuestion"))->text();
      auto* warning = w->findChild<QLabel*>(QStringLiteral("LabelWarning"));
      *seen << QString::number(warning && warning->isVisible());
      QStringList buttons;
      for (auto* b : w->findChildren<QPushButton*>()) buttons << b->text().remove(QLatin1Char('&'));
      *seen << buttons.join(QLatin1Char(','));
      *seen << QString::number(bool(w->windowFlags() & Qt::WindowStaysOnTopHint));
    }
    if (buttonName.isEmpty())
      static_cast<QDialog*>(w)->reject();  // Esc or the window closed
    else
      Control<QPushButton>(w, buttonName)->click();
  });
}

TEST_F(SendDialogs, ReplaceQuestionShowsTheFilesAndAnswersPerButton) {
  const struct {
    QString Button;
    TSendQuestions::TReplaceAnswer Answer;
  } cases[] = {
      {"ButtonYes", TSendQuestions::raYes},         {"ButtonNo", TSendQuestions::raNo},
      {"ButtonAlways", TSendQuestions::raAlways},   {"ButtonNever", TSendQuestions::raNever},
      {"ButtonCancel", TSendQuestions::raCancel},   {"", TSendQuestions::raCancel},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Button.toStdString());
    QWidget owner;
    Press(Steps, "TFormAskForReplace", c.Button);
    EXPECT_EQ(AskForReplace(&owner, QStringLiteral("a.pdf.twk"), QStringLiteral("/home/u/a.pdf"), true), c.Answer);
  }
  QStringList seen;
  Press(Steps, "TFormAskForReplace", QStringLiteral("ButtonNo"), &seen);
  AskForReplace(nullptr, QStringLiteral("a %2.pdf.twk"), QStringLiteral("/home/u/a.pdf"), true);
  EXPECT_EQ(seen, (QStringList{"Tarnwick - Confirm",
                               "The message has an attachment (a %2.pdf.twk) containing a link to the file:\n\n/home/u/a.pdf",
                               "Would you like to replace the link with the file?", "0", "Yes,No,Always,Never,Cancel",
                               "1"}));
  seen.clear();
  Press(Steps, "TFormAskForReplace", QStringLiteral("ButtonNo"), &seen);
  AskForReplace(nullptr, QStringLiteral("a.pdf.twk"), QStringLiteral("/tmp/x.pdf"), false);
  ASSERT_EQ(seen.size(), 6);
  EXPECT_EQ(seen[3], "1") << "an untrusted link carries the warning";
}

TEST_F(SendDialogs, DeleteLinkQuestionShowsTheMissingFileAndAnswersPerButton) {
  const struct {
    QString Button;
    TSendQuestions::TDeleteAnswer Answer;
  } cases[] = {
      {"ButtonYes", TSendQuestions::daYes},
      {"ButtonNo", TSendQuestions::daNo},
      {"ButtonCancel", TSendQuestions::daCancel},
      {"", TSendQuestions::daCancel},
  };
  for (const auto& c : cases) {
    Press(Steps, "TFormAskForDeleteLink", c.Button);
    EXPECT_EQ(AskForDeleteLink(nullptr, QStringLiteral("a.twk"), QStringLiteral("/gone")), c.Answer);
  }
  QStringList seen;
  Press(Steps, "TFormAskForDeleteLink", QStringLiteral("ButtonYes"), &seen);
  AskForDeleteLink(nullptr, QStringLiteral("a.pdf.twk"), QStringLiteral("/home/u/a.pdf"));
  EXPECT_EQ(seen, (QStringList{"Tarnwick - Confirm",
                               "The message has an attachment (a.pdf.twk) containing a link to the file:\n\n"
                               "/home/u/a.pdf\n\nThis file could not be found.",
                               "Would you like to remove the link?", "0", "Yes,No,Cancel", "1"}));
}

// The dialogs as the send handlers' questions.
class TDialogQuestions final : public TSendQuestions {
public:
  TReplaceAnswer AskReplace(const QString& att, const QString& org, bool trusted) override {
    return AskForReplace(nullptr, att, org, trusted);
  }
  TDeleteAnswer AskDeleteLink(const QString& att, const QString& org) override {
    return AskForDeleteLink(nullptr, att, org);
  }
};

TEST_F(SendDialogs, AnswersDecideWhatAnOutgoingMailCarries) {
  TFormsStore store;
  const QString dir = store.Scratch().Path() + QStringLiteral("/links");
  const QString first = dir + QStringLiteral("/report.pdf");
  const QString second = dir + QStringLiteral("/plan.pdf");
  WriteTestFile(first, "%PDF-1.4 report");
  WriteTestFile(second, "%PDF-1.4 plan");
  TLinkRoots roots;
  roots.Load();
  ASSERT_TRUE(roots.Record(dir));
  const QByteArray mime = BuildMime(QStringLiteral("outgoing"), {{QStringLiteral("report.pdf.twk"), LinkBytes(first)},
                                                                 {QStringLiteral("plan.pdf.twk"), LinkBytes(second)}});
  auto names = [](IRDOMail* mail) {
    QStringList list;
    const TwkPtr<IRDOAttachments> atts = mail->Attachments();
    for (int i = 1; i <= atts->Count(); ++i) list << atts->Item(i)->FileName();
    list.sort();
    return list;
  };
  TDialogQuestions questions;

  // Cancel in the first question: the mail stays unsent and keeps its links.
  {
    TOptions options;
    options.SetSendOptions(soAsk);
    TSendHandlers handlers(options, &questions);
    const TwkPtr<IRDOMail> mail = store.Session()->GetMessageFromMIME(mime);
    Press(Steps, "TFormAskForReplace", QStringLiteral("ButtonCancel"));
    bool changed = true;
    EXPECT_TRUE(ItemSend(mail.get(), handlers, roots, &store.RDOSession(), changed));
    EXPECT_FALSE(changed);
    EXPECT_EQ(names(mail.get()), (QStringList{"plan.pdf.twk", "report.pdf.twk"}));
  }
  // Always in the first question: both replaced, one question, soAlways stored.
  {
    TOptions options;
    options.SetSendOptions(soAsk);
    TSendHandlers handlers(options, &questions);
    const TwkPtr<IRDOMail> mail = store.Session()->GetMessageFromMIME(mime);
    Press(Steps, "TFormAskForReplace", QStringLiteral("ButtonAlways"));
    bool changed = false;
    EXPECT_FALSE(ItemSend(mail.get(), handlers, roots, &store.RDOSession(), changed));
    EXPECT_TRUE(changed);
    EXPECT_TRUE(Steps.Done());
    EXPECT_EQ(names(mail.get()), (QStringList{"plan.pdf", "report.pdf"}));
    TOptions stored;
    stored.LoadFromRegistry();
    EXPECT_EQ(stored.SendOptions(), soAlways);
  }
}

}  // namespace
