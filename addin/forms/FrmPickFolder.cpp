#include "addin/forms/FrmPickFolder.h"

#include "addin/forms/FormTools.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum : int { kEntryIDRole = Qt::UserRole, kStoreIDRole = Qt::UserRole + 1 };

}  // namespace

TFormPickFolder::TFormPickFolder(QWidget* owner, IRDOSession* session, const QString& caption)
    : QDialog(owner), FSession(session) {
  setWindowTitle(caption);
  setSizeGripEnabled(true);
  FTree = new QTreeWidget(this);
  FTree->setHeaderHidden(true);
  FTree->setColumnCount(1);
  Name(FTree, QStringLiteral("Folders"), QStringLiteral("TreeFolders"));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* ok = FButtonOK = buttons->button(QDialogButtonBox::Ok);
  QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
  ok->setText(QStringLiteral("OK"));
  cancel->setText(QStringLiteral("Cancel"));
  Name(ok, QStringLiteral("OK"), QStringLiteral("ButtonOK"));
  Name(cancel, QStringLiteral("Cancel"), QStringLiteral("ButtonCancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // A folder is chosen by OK or by a double click on it.
  connect(FTree, &QTreeWidget::itemActivated, this, &QDialog::accept);
  connect(FTree, &QTreeWidget::currentItemChanged, this,
          [ok](QTreeWidgetItem* current) { ok->setEnabled(current != nullptr); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FTree);
  layout->addWidget(buttons);
  resize(360, 440);
}

QTreeWidgetItem* TFormPickFolder::AddFolder(QTreeWidgetItem* parent, IRDOFolder* folder, const QString& text) {
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(FTree);
  item->setText(0, text);
  FFolders.insert(item, TwkPtr<IRDOFolder>(folder));
  item->setData(0, kEntryIDRole, folder->EntryID());
  item->setData(0, kStoreIDRole, folder->StoreID());
  if (const TwkPtr<IRDOFolders> subs = folder->Folders())
    for (int i = 1, n = subs->Count(); i <= n; ++i)
      if (const TwkPtr<IRDOFolder> sub = subs->Item(i)) AddFolder(item, sub.get(), sub->Name());
  return item;
}

void TFormPickFolder::Fill(IRDOFolder* selected) {
  FTree->clear();
  FFolders.clear();
  if (FSession) {
    if (const TwkPtr<IRDOStores> stores = FSession->Stores())
      for (int i = 1, n = stores->Count(); i <= n; ++i)
        if (const TwkPtr<IRDOStore> store = stores->Item(i))
          if (const TwkPtr<IRDOFolder> root = store->RootFolder()) AddFolder(nullptr, root.get(), store->Name());
  } else if (selected) {
    if (const TwkPtr<IRDOStore> store = selected->Store())
      if (const TwkPtr<IRDOFolder> root = store->RootFolder()) AddFolder(nullptr, root.get(), store->Name());
  }
  FTree->setCurrentItem(nullptr);
  if (selected) {
    const QString eid = selected->EntryID(), sid = selected->StoreID();
    for (QTreeWidgetItemIterator it(FTree); *it; ++it)
      if ((*it)->data(0, kEntryIDRole).toString() == eid && (*it)->data(0, kStoreIDRole).toString() == sid) {
        FTree->setCurrentItem(*it);
        FTree->scrollToItem(*it);
        break;
      }
  }
  FButtonOK->setEnabled(FTree->currentItem() != nullptr);
  // The store roots stay open so the first level is always in view.
  for (int i = 0; i < FTree->topLevelItemCount(); ++i) FTree->topLevelItem(i)->setExpanded(true);
}

TwkPtr<IRDOFolder> TFormPickFolder::Execute(IRDOFolder* selected) {
  Fill(selected);
  CenterOnOwner(this);
  FTree->setFocus();
  if (exec() != QDialog::Accepted) return {};
  const QTreeWidgetItem* item = FTree->currentItem();
  if (!item) return {};
  return FFolders.value(item);
}

TFolderPicker MakeFolderPicker(IRDOSession* session) {
  return [session](IRDOFolder* selected, const QString& caption, void* parentWindow) {
    TFormPickFolder form(static_cast<QWidget*>(parentWindow), session, caption);
    return form.Execute(selected);
  };
}

bool BrowseForFolder(QWidget* owner, const QString& title, QString& path) {
  const QString chosen = QFileDialog::getExistingDirectory(owner, title, path, QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return false;
  path = chosen;
  return true;
}
