// "Reimport attachments - Tarnwick": replaces the link attachments of the
// e-mails of a folder by their files again.
#pragma once

#include "addin/forms/FrmLinkTask.h"

class TFormReimport : public TFormLinkTask {
  Q_OBJECT

public:
  explicit TFormReimport(QWidget* owner = nullptr);

protected:
  QString Question() const override;
  std::unique_ptr<TLinkWalker> MakeEngine() const override;
};
