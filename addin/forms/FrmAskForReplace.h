// The send capture's question before a link is replaced by its file:
// Yes, No, Always, Never, Cancel. A link outside every directory Tarnwick
// exported to carries a warning above the details.
#pragma once

#include "addin/forms/FrmAskConfirm.h"
#include "core/SendHandlers.h"

class TFormAskForReplace : public TFormAskConfirm {
  Q_OBJECT

public:
  explicit TFormAskForReplace(QWidget* owner = nullptr);
  // false shows the untrusted-link warning.
  void SetTrusted(bool trusted);

protected:
  QString MemoText() const override;

private:
  QLabel* FLabelWarning;
};

// Asks the replace question in the dialog, answered as the send handlers take it.
TSendQuestions::TReplaceAnswer AskForReplace(QWidget* owner, const QString& attFilename, const QString& orgFilename,
                                             bool trusted);
