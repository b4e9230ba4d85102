#include "addin/forms/PlaceholderMenu.h"

#include "addin/forms/FormTools.h"

#include <QLineEdit>
#include <QMenu>

namespace {

struct TGroup {
  const char* Caption;
  QList<const char*> Entries;
};

const QList<TGroup>& EmailGroups() {
  static const QList<TGroup> groups = {
      {"Outlook folder structure",
       {"[O] - Outlook folder structure, starting at the root", "[OR] - Outlook folder structure, starting at source folder",
        "[ON] - Outlook foldername, without folder structure"}},
      {"Addresses",
       {"[SN] - Sender's name", "[SE] - Sender's address", "[SD] - Domain of sender's address",
        "[RN] - Recipient's name", "[RE] - Recipient's address", "[RD] - Domain of recipient's address",
        "[MN] - My name", "[ME] - My address", "[NN] - Not my name", "[NE] - Not my address"}},
      {"Subject",
       {"[B] - Subject", "[B50] - Subject (first 50 characters)", "[BX] - Subject without leading RE:, FW:...",
        "[BX50] - Subject without leading RE:, FW:... (first 50 characters)"}},
      {"Email's date",
       {"[EYYYY] - Year (4 digits)", "[EYY] - Year (2 digits)", "[EMM] - Month", "[EDD] - Day", "[EHH] - Hours",
        "[ENN] - Minutes", "[ESS] - Seconds"}},
      {"Current date",
       {"[CYYYY] - Year (4 digits)", "[CYY] - Year (2 digits)", "[CMM] - Month", "[CDD] - Day", "[CHH] - Hours",
        "[CNN] - Minutes", "[CSS] - Seconds"}},
      {"Other", {"[OU] - Outlook username", "[WU] - Windows username"}},
  };
  return groups;
}

const TGroup kAttachmentGroup = {
    "Attachment filename",
    {"[FE] - Filename, with extension", "[F] - Filename, without extension", "[E] - Extension (without leading dot)",
     "[F1] - 1st character of filename", "[E1] - 1st character of extension"}};

const QString kBackslashEntry = QStringLiteral("\\\\");

}  // namespace

QString PlaceholderCode(const QString& caption) {
  if (caption == kBackslashEntry) return QStringLiteral("\\");
  const qsizetype open = caption.indexOf(QLatin1Char('['));
  const qsizetype close = caption.indexOf(QLatin1Char(']'), open);
  return open < 0 || close < 0 ? QString() : caption.mid(open, close - open + 1);
}

TPlaceholderButton::TPlaceholderButton(QWidget* parent, QLineEdit* maskEdit, bool attachments)
    : QToolButton(parent), FEdit(maskEdit), FMenu(new QMenu(this)) {
  setText(QStringLiteral("Placeholders"));
  SetLinkStyle(this);
  Name(this, QStringLiteral("Placeholders"), QStringLiteral("LabelPlaceholders"));

  QList<TGroup> groups = EmailGroups();
  if (attachments) groups << kAttachmentGroup;
  for (const TGroup& group : groups) {
    QMenu* sub = FMenu->addMenu(QString::fromUtf8(group.Caption));
    for (const char* entry : group.Entries) sub->addAction(QString::fromUtf8(entry));
  }
  FMenu->addSeparator();
  FMenu->addAction(kBackslashEntry);
  connect(FMenu, &QMenu::triggered, this, [this](QAction* action) { InsertEntry(action->text()); });
  connect(this, &QToolButton::clicked, this, &TPlaceholderButton::Popup);
}

void TPlaceholderButton::Popup() {
  FMenu->exec(mapToGlobal(rect().bottomLeft()));
}

void TPlaceholderButton::InsertEntry(const QString& caption) {
  // The window's focus stays in the edit while the menu is up (a mouse click
  // on the link does not take it); after tabbing to the link it is elsewhere.
  if (FEdit->window()->focusWidget() != FEdit) {
    FEdit->setFocus();
    FEdit->end(false);
  }
  FEdit->insert(PlaceholderCode(caption));
}
