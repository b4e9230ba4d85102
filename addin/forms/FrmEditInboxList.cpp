#include "addin/forms/FrmEditInboxList.h"

#include "addin/forms/DM.h"
#include "addin/forms/FormTools.h"
#include "addin/forms/FrmEditInboxJob.h"
#include "core/Exception.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString YesNo(bool value) { return value ? QStringLiteral("yes") : QStringLiteral("no"); }

}  // namespace

TFormEditInboxList::TFormEditInboxList(QWidget* owner)
    : TFormEditBase(owner, QStringLiteral("Tarnwick - Tasks for Inbox"), QStringLiteral("inboxlist.htm")) {
  setWindowIcon(ProductIcon());
  QGroupBox* group = AddGroup(QStringLiteral(" Tasks "), QStringLiteral("GroupBox"));
  auto* row = new QHBoxLayout(group);
  FListView = new QTreeWidget(group);
  FListView->setRootIsDecorated(false);
  FListView->setSelectionBehavior(QAbstractItemView::SelectRows);
  FListView->setSelectionMode(QAbstractItemView::SingleSelection);
  FListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FListView->setHeaderLabels({QStringLiteral("Sender"), QStringLiteral("Recipient"), QStringLiteral("Subject"),
                              QStringLiteral("Attachments"), QStringLiteral("Export emails"),
                              QStringLiteral("Export atts")});
  FListView->header()->setSectionsClickable(false);
  FListView->header()->setSectionsMovable(false);
  Name(FListView, QStringLiteral("Tasks"), QStringLiteral("ListView"));
  FListView->installEventFilter(this);
  row->addWidget(FListView, 1);

  auto* buttons = new QVBoxLayout;
  const struct {
    const char* Caption;
    const char* Control;
    QPushButton** Button;
  } defs[] = {{"Add...", "ButtonAdd", &FButtonAdd},  {"Edit...", "ButtonEdit", &FButtonEdit},
              {"Up", "ButtonUp", &FButtonUp},        {"Down", "ButtonDown", &FButtonDown},
              {"Remove", "ButtonDelete", &FButtonDelete}};
  for (const auto& d : defs) {
    auto* button = *d.Button = new QPushButton(QString::fromLatin1(d.Caption), group);
    button->setAutoDefault(false);
    Name(button, QString::fromLatin1(d.Caption).remove(QStringLiteral("...")), QString::fromLatin1(d.Control));
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  row->addLayout(buttons);

  FCheckCheckInbox = new QCheckBox(QStringLiteral("Watch Inbox (local only)"), this);
  Name(FCheckCheckInbox, FCheckCheckInbox->text(), QStringLiteral("CheckCheckInbox"));
  Body()->addWidget(FCheckCheckInbox);
  AddButtons();
  // After AddButtons, which gives group contents the normal font.
  QFont larger = FListView->font();
  larger.setPointSizeF(font().pointSizeF() + 2);
  FListView->setFont(larger);

  auto guarded = [this](void (TFormEditInboxList::*handler)()) {
    return [this, handler] { TryOrShowError(this, [this, handler] { (this->*handler)(); }); };
  };
  connect(FButtonAdd, &QPushButton::clicked, this, guarded(&TFormEditInboxList::ButtonAddClick));
  connect(FButtonEdit, &QPushButton::clicked, this, guarded(&TFormEditInboxList::ButtonEditClick));
  connect(FButtonDelete, &QPushButton::clicked, this, guarded(&TFormEditInboxList::ButtonDeleteClick));
  connect(FButtonUp, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
  connect(FButtonDown, &QPushButton::clicked, this, [this] { MoveSelected(1); });
  connect(FListView, &QTreeWidget::itemDoubleClicked, this, guarded(&TFormEditInboxList::ButtonEditClick));
  connect(FListView, &QTreeWidget::itemSelectionChanged, this, &TFormEditInboxList::UpdateButtons);
  resize(840, 400);
}

bool TFormEditInboxList::Execute(const QString& filename) {
  FFilename = filename;
  FInboxList.Clear();
  if (QFileInfo::exists(filename)) {
    try {
      FInboxList.LoadFromFile(filename);
    } catch (const std::exception&) {
      // An unreadable file is shown as an empty list; OK then overwrites it.
      FInboxList.Clear();
    }
  }
  return TFormEditBase::Execute();
}

void TFormEditInboxList::PartToControls() {
  FCheckCheckInbox->setChecked(FInboxList.Active());
  FillRows(-1);
}

void TFormEditInboxList::FillRows(int select) {
  FListView->clear();
  for (int i = 0; i < FInboxList.Count(); ++i) {
    const TJobDef_Inbox& job = FInboxList.Items(i);
    const TJobDef_InboxFilter& f = job.InboxFilter();
    new QTreeWidgetItem(FListView, {f.SenderMasks(), f.RecipientMasks(), f.SubjectMask(), f.AttNameMasks(),
                                    YesNo(job.ExportEmails()), YesNo(job.ExportAtts())});
  }
  for (int c = 0; c < FListView->columnCount(); ++c) FListView->resizeColumnToContents(c);
  if (select >= 0 && select < FInboxList.Count()) FListView->setCurrentItem(FListView->topLevelItem(select));
  UpdateButtons();
}

int TFormEditInboxList::Selected() const {
  const QList<QTreeWidgetItem*> items = FListView->selectedItems();
  return items.isEmpty() ? -1 : FListView->indexOfTopLevelItem(items.first());
}

void TFormEditInboxList::UpdateButtons() {
  const int i = Selected();
  const int n = FInboxList.Count();
  FButtonEdit->setEnabled(i >= 0);
  FButtonDelete->setEnabled(i >= 0);
  FButtonUp->setEnabled(i > 0);
  FButtonDown->setEnabled(i >= 0 && i < n - 1);
}

void TFormEditInboxList::ButtonAddClick() {
  TFormEditInboxJob form(this);
  form.InboxJob().Clear();
  if (!form.Execute()) return;
  FInboxList.Insert(FInboxList.Count(), form.InboxJob());
  FillRows(FInboxList.Count() - 1);
}

void TFormEditInboxList::ButtonEditClick() {
  const int i = Selected();
  if (i < 0) return;
  TFormEditInboxJob form(this);
  form.InboxJob().Assign(FInboxList.Items(i));
  if (!form.Execute()) return;
  FInboxList.Items(i).Assign(form.InboxJob());
  FillRows(i);
}

void TFormEditInboxList::ButtonDeleteClick() {
  const int i = Selected();
  if (i < 0) return;
  FInboxList.Delete(i);
  FillRows(std::min(i, FInboxList.Count() - 1));
}

void TFormEditInboxList::MoveSelected(int step) {
  const int i = Selected();
  const int to = i + step;
  if (i < 0 || to < 0 || to >= FInboxList.Count()) return;
  FInboxList.Move(i, to);
  FillRows(to);
}

bool TFormEditInboxList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FListView && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete || key == Qt::Key_Insert) {
      TryOrShowError(this, [this, key] { key == Qt::Key_Delete ? ButtonDeleteClick() : ButtonAddClick(); });
      return true;  // consumed
    }
  }
  return TFormEditBase::eventFilter(watched, event);
}

bool TFormEditInboxList::ControlsToPart() {
  FInboxList.SetActive(FCheckCheckInbox->isChecked());
  if (FInboxList.Active() && FInboxList.Count() == 0) Fail(FButtonAdd, QStringLiteral("Please define at least 1 task"));
  const QString dir = QFileInfo(FFilename).absolutePath();
  if (!QDir().mkpath(dir)) Fail(nullptr, QStringLiteral("Directory could not be created"));
  FInboxList.SaveToFile(FFilename);
  return true;
}
