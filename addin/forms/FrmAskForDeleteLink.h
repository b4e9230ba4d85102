// The send capture's question before a link whose file is missing is
// removed: Yes, No, Cancel.
#pragma once

#include "addin/forms/FrmAskConfirm.h"
#include "core/SendHandlers.h"

class TFormAskForDeleteLink : public TFormAskConfirm {
  Q_OBJECT

public:
  explicit TFormAskForDeleteLink(QWidget* owner = nullptr);

protected:
  QString MemoText() const override;
};

// Asks the remove question in the dialog, answered as the send handlers take it.
TSendQuestions::TDeleteAnswer AskForDeleteLink(QWidget* owner, const QString& attFilename, const QString& orgFilename);
