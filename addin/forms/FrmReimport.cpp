#include "addin/forms/FrmReimport.h"

#include "core/ReImporter.h"

TFormReimport::TFormReimport(QWidget* owner)
    : TFormLinkTask(owner, QStringLiteral("Reimport attachments - Tarnwick"),
                    QStringLiteral("This task \"reimports\" email attachments, which were previously exported to disk "
                                   "and replaced with a link (.twk) to the exported file.\n\nThe program checks each "
                                   "email in the specified Outlook folder for the presence of such attached links, "
                                   "and replaces them with the files (if they exist)."),
                    QStringLiteral("reimport.htm")) {
  FinishLayout();
}

QString TFormReimport::Question() const { return ReimportQuestion(); }

std::unique_ptr<TLinkWalker> TFormReimport::MakeEngine() const { return std::make_unique<TReImporter>(); }
