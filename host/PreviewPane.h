// The preview of one message: header lines, body text and the attachment
// list. A link attachment shows the file it names and opens that file; other
// attachments open in their desktop program or are saved.
#pragma once

#include "twktools/TWKtools.h"

#include <QWidget>

class QListWidget;
class QListWidgetItem;
class QTextBrowser;

class TPreviewPane final : public QWidget {
  Q_OBJECT

public:
  explicit TPreviewPane(QWidget* parent = nullptr);
  void ShowMail(TwkPtr<IRDOMail> mail);  // none: empty

private:
  void OpenAttachment(QListWidgetItem* item);
  void SaveAttachment(QListWidgetItem* item);
  void AttachmentMenu(const QPoint& pos);
  TwkPtr<IRDOAttachment> AttachmentOf(QListWidgetItem* item) const;

  QTextBrowser* FHeaders;
  QTextBrowser* FBody;
  QListWidget* FAttachments;
  TwkPtr<IRDOMail> FMail;
};
