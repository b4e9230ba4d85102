// "Relocate links - Tarnwick": re-points the links of the e-mails of a
// folder from a moved directory to its new place.
#pragma once

#include "addin/forms/FrmLinkTask.h"

class TFormRelocate : public TFormLinkTask {
  Q_OBJECT

public:
  explicit TFormRelocate(QWidget* owner = nullptr);

  const QString& OrgPath() const { return FOrgPath; }
  const QString& NewPath() const { return FNewPath; }

protected:
  // Both directories normalised and written back to their fields; the new
  // one must exist.
  void CheckInput() override;
  QString Question() const override;
  std::unique_ptr<TLinkWalker> MakeEngine() const override;

private:
  QString FOrgPath;
  QString FNewPath;
  QLineEdit* FEditOrgPath;
  QLineEdit* FEditNewPath;
};
