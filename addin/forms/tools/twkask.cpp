// twk-ask: the send capture's two questions as the desktop's dialogs, for
// `twk sendmail` started without a terminal on a desktop. twk runs it only
// when a display is there, so twk itself needs no widget library.
//
//   twk-ask replace ATTACHMENT ORIGINAL trusted|untrusted   -> y n a v c
//   twk-ask delete ATTACHMENT ORIGINAL                      -> y n c
// The answer letter goes to standard output; exit code 2 on a bad call.
#include "addin/forms/DM.h"
#include "addin/forms/FrmAskForDeleteLink.h"
#include "addin/forms/FrmAskForReplace.h"

#include <QApplication>
#include <cstdio>

namespace {
char ReplaceLetter(TSendQuestions::TReplaceAnswer a) {
  switch (a) {
    case TSendQuestions::raYes: return 'y';
    case TSendQuestions::raNo: return 'n';
    case TSendQuestions::raAlways: return 'a';
    case TSendQuestions::raNever: return 'v';
    default: return 'c';
  }
}
char DeleteLetter(TSendQuestions::TDeleteAnswer a) {
  switch (a) {
    case TSendQuestions::daYes: return 'y';
    case TSendQuestions::daNo: return 'n';
    default: return 'c';
  }
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("twk-ask"));
  QApplication::setWindowIcon(ProductIcon());
  const QStringList args = QApplication::arguments().mid(1);
  char answer = 0;
  if (args.size() == 4 && args[0] == QLatin1String("replace"))
    answer = ReplaceLetter(AskForReplace(nullptr, args[1], args[2], args[3] == QLatin1String("trusted")));
  else if (args.size() == 3 && args[0] == QLatin1String("delete"))
    answer = DeleteLetter(AskForDeleteLink(nullptr, args[1], args[2]));
  if (!answer) {
    std::fputs("usage: twk-ask replace ATT ORG trusted|untrusted | twk-ask delete ATT ORG\n", stderr);
    return 2;
  }
  std::printf("%c\n", answer);
  return 0;
}
