#include "host/PreviewPane.h"

#include "core/DateTimeUtils.h"
#include "core/FilenameTools.h"
#include "core/LnkTools.h"
#include "core/SpecialFolder.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kIndexRole = Qt::UserRole + 1;
constexpr int kLinkTargetRole = Qt::UserRole + 2;

QString Recipients(IRDOMail* mail, int type) {
  QStringList names;
  const TwkPtr<IRDORecipients> recipients = mail->Recipients();
  for (int i = 1; i <= recipients->Count(); ++i) {
    const TwkPtr<IRDORecipient> r = recipients->Item(i);
    if (r->Type() != type) continue;
    names.append(r->Name().isEmpty() || r->Name() == r->Address() ? r->Address()
                                                                   : QStringLiteral("%1 <%2>").arg(r->Name(), r->Address()));
  }
  return names.join(QStringLiteral("; "));
}

QString HeaderLine(const QString& name, const QString& value) {
  if (value.isEmpty()) return QString();
  return QStringLiteral("<b>%1:</b> %2<br>").arg(name, value.toHtmlEscaped());
}

void ShowError(QWidget* owner, const QString& text) { QMessageBox::critical(owner, QStringLiteral("Tarnwick"), text); }

}  // namespace

TPreviewPane::TPreviewPane(QWidget* parent) : QWidget(parent) {
  FHeaders = new QTextBrowser(this);
  FHeaders->setAccessibleName(QStringLiteral("Message header"));
  FHeaders->setMaximumHeight(110);
  FBody = new QTextBrowser(this);
  FBody->setAccessibleName(QStringLiteral("Message text"));
  FBody->setOpenLinks(false);
  FAttachments = new QListWidget(this);
  FAttachments->setAccessibleName(QStringLiteral("Attachments"));
  FAttachments->setMaximumHeight(90);
  FAttachments->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FHeaders);
  layout->addWidget(FBody, 1);
  layout->addWidget(FAttachments);
  connect(FAttachments, &QListWidget::itemActivated, this, &TPreviewPane::OpenAttachment);
  connect(FAttachments, &QListWidget::customContextMenuRequested, this, &TPreviewPane::AttachmentMenu);
  ShowMail(nullptr);
}

void TPreviewPane::ShowMail(TwkPtr<IRDOMail> mail) {
  FMail = std::move(mail);
  FHeaders->clear();
  FBody->clear();
  FAttachments->clear();
  FAttachments->setVisible(false);
  if (!FMail) return;
  try {
    QString from;
    if (const TwkPtr<IRDOAddressEntry> sender = FMail->Sender())
      from = sender->Name().isEmpty() ? sender->Address() : QStringLiteral("%1 <%2>").arg(sender->Name(), sender->Address());
    const double received = FMail->ReceivedTime();
    FHeaders->setHtml(HeaderLine(QStringLiteral("From"), from) + HeaderLine(QStringLiteral("To"), Recipients(FMail.get(), olTo)) +
                      HeaderLine(QStringLiteral("Cc"), Recipients(FMail.get(), olCC)) +
                      HeaderLine(QStringLiteral("Subject"), FMail->Subject()) +
                      HeaderLine(QStringLiteral("Received"),
                                 received ? QLocale().toString(QDateTimeFromDateTime(received), QLocale::LongFormat) : QString()));
    QString body = FMail->Body();
    if (body.isEmpty()) {
      // Only the text of an HTML body: no scripts, no remote content.
      QTextDocument doc;
      doc.setHtml(FMail->HTMLBody());
      body = doc.toPlainText();
    }
    FBody->setPlainText(body);
    const TwkPtr<IRDOAttachments> atts = FMail->Attachments();
    for (int i = 1; i <= atts->Count(); ++i) {
      const TwkPtr<IRDOAttachment> att = atts->Item(i);
      if (att->Hidden()) continue;
      auto* item = new QListWidgetItem(att->DisplayName().isEmpty() ? att->FileName() : att->DisplayName(), FAttachments);
      item->setData(kIndexRole, i);
      if (IsLinkAttachment(att.get())) {
        QString target;
        try {
          target = ReadLinkAttachmentTarget(att.get());
        } catch (const std::exception&) {
          // An unreadable link is listed like any other attachment.
        }
        if (!target.isEmpty()) {
          item->setText(QStringLiteral("%1 \u2192 %2").arg(item->text(), target));
          item->setData(kLinkTargetRole, target);
          item->setToolTip(QFileInfo::exists(target) ? target : QStringLiteral("%1 (missing)").arg(target));
        }
      }
    }
    FAttachments->setVisible(FAttachments->count() > 0);
  } catch (const std::exception& e) {
    FBody->setPlainText(QString::fromUtf8(e.what()));
  }
}

TwkPtr<IRDOAttachment> TPreviewPane::AttachmentOf(QListWidgetItem* item) const {
  if (!FMail || !item) return nullptr;
  return FMail->Attachments()->Item(item->data(kIndexRole).toInt());
}

void TPreviewPane::OpenAttachment(QListWidgetItem* item) {
  try {
    const QString target = item->data(kLinkTargetRole).toString();
    QString path = target;
    if (path.isEmpty()) {
      // Other attachments open from a private copy.
      const TwkPtr<IRDOAttachment> att = AttachmentOf(item);
      const QString dir = JoinPath(GetTempDirectory(), QStringLiteral("tarnwick-open"));
      QDir().mkpath(dir);
      path = JoinPath(dir, MakeValidFileNameDef(att->FileName(), QStringLiteral("attachment")));
      MakeUniqueFileName(path, true);
      att->SaveAsFile(path);
    } else if (!QFileInfo::exists(path)) {
      ShowError(this, QStringLiteral("The linked file \"%1\" does not exist.").arg(path));
      return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
      ShowError(this, QStringLiteral("No program opens \"%1\".").arg(path));
  } catch (const std::exception& e) {
    ShowError(this, QString::fromUtf8(e.what()));
  }
}

void TPreviewPane::SaveAttachment(QListWidgetItem* item) {
  try {
    const TwkPtr<IRDOAttachment> att = AttachmentOf(item);
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save attachment"),
                                                      JoinPath(GetMyDocumentsPath(), MakeValidFileNameDef(att->FileName(), QStringLiteral("attachment"))));
    if (!path.isEmpty()) att->SaveAsFile(path);
  } catch (const std::exception& e) {
    ShowError(this, QString::fromUtf8(e.what()));
  }
}

void TPreviewPane::AttachmentMenu(const QPoint& pos) {
  QListWidgetItem* item = FAttachments->itemAt(pos);
  if (!item) return;
  QMenu menu(this);
  menu.addAction(QStringLiteral("Open"), this, [this, item] { OpenAttachment(item); });
  menu.addAction(QStringLiteral("Save as..."), this, [this, item] { SaveAttachment(item); });
  menu.exec(FAttachments->viewport()->mapToGlobal(pos));
}
