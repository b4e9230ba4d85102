#include "addin/forms/FrmEditEmailFilter.h"

#include "addin/forms/FormTools.h"
#include "core/DateTimeUtils.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>

namespace {

struct TListPair {
  const char* Label;
  const char* IncludeName;
  const char* ExcludeName;
};
const TListPair kPairs[4] = {
    {"Sender is:", "MemoSenderIncludeList", "MemoSenderExcludeList"},
    {"One of the recipients is:", "MemoRecipientIncludeList", "MemoRecipientExcludeList"},
    {"Subject is:", "MemoSubjectIncludeList", "MemoSubjectExcludeList"},
    {"One of the attachments is:", "MemoAttIncludeList", "MemoAttExcludeList"},
};

}  // namespace

TFormEditEmailFilter::TFormEditEmailFilter(QWidget* owner)
    : TFormEditBase(owner, QStringLiteral("Email filter"), QStringLiteral("emailfilter.htm"), false) {
  QGroupBox* group = AddGroup(QStringLiteral(" Filter settings "), QStringLiteral("GroupBox1"));
  auto* grid = new QGridLayout(group);
  for (int i = 0; i < 4; ++i) {
    const QString label = QString::fromUtf8(kPairs[i].Label);
    QPlainTextEdit* include = MakeMemo(group, label, QString::fromUtf8(kPairs[i].IncludeName));
    grid->addWidget(MakeLabel(group, label, include, QString()), i * 2, 0);
    grid->addWidget(include, i * 2 + 1, 0);
    QPlainTextEdit* exclude =
        MakeMemo(group, label + QStringLiteral(" but not:"), QString::fromUtf8(kPairs[i].ExcludeName));
    grid->addWidget(MakeLabel(group, QStringLiteral("but not:"), nullptr, QString()), i * 2, 1);
    grid->addWidget(exclude, i * 2 + 1, 1);
    FMemos[i][0] = include;
    FMemos[i][1] = exclude;
  }

  auto* date = new QGridLayout;
  date->addWidget(new QLabel(QStringLiteral("Date:"), group), 0, 0);
  FRadioDateAny = new QRadioButton(QStringLiteral("any"), group);
  Name(FRadioDateAny, QStringLiteral("any"), QStringLiteral("RadioDateAny"));
  date->addWidget(FRadioDateAny, 0, 1);
  FRadioDateOlderThan = new QRadioButton(QStringLiteral("older than"), group);
  Name(FRadioDateOlderThan, QStringLiteral("older than"), QStringLiteral("RadioDateOlderThan"));
  date->addWidget(FRadioDateOlderThan, 1, 1);
  FEditDays = new QSpinBox(group);
  FEditDays->setRange(0, 10000);
  Name(FEditDays, QStringLiteral("days"), QStringLiteral("EditDays"));
  auto* days = new QHBoxLayout;
  days->addWidget(FEditDays);
  days->addWidget(new QLabel(QStringLiteral("days"), group));
  days->addStretch();
  date->addLayout(days, 1, 2);
  FRadioDateFromTo = new QRadioButton(QStringLiteral("range:"), group);
  Name(FRadioDateFromTo, QStringLiteral("range:"), QStringLiteral("RadioDateFromTo"));
  date->addWidget(FRadioDateFromTo, 2, 1);
  FPickerFrom = MakeDatePicker(group, QStringLiteral("range from"), QStringLiteral("DateTimePickerFrom"));
  auto* range = new QHBoxLayout;
  range->addWidget(FPickerFrom.Check);
  range->addWidget(FPickerFrom.Date);
  range->addWidget(new QLabel(QStringLiteral("to"), group));
  FPickerTo = MakeDatePicker(group, QStringLiteral("range to"), QStringLiteral("DateTimePickerTo"));
  range->addWidget(FPickerTo.Check);
  range->addWidget(FPickerTo.Date);
  range->addStretch();
  date->addLayout(range, 2, 2);
  grid->addLayout(date, 8, 0, 1, 2);

  for (QRadioButton* radio : {FRadioDateAny, FRadioDateOlderThan, FRadioDateFromTo})
    connect(radio, &QRadioButton::toggled, this, &TFormEditEmailFilter::UpdateEnabling);
  AddButtons();
}

TFormEditEmailFilter::TDatePicker TFormEditEmailFilter::MakeDatePicker(QWidget* parent, const QString& accessibleName,
                                                                       const QString& controlName) {
  TDatePicker picker{new QCheckBox(parent), new QDateEdit(parent)};
  Name(picker.Check, accessibleName + QStringLiteral(" ticked"), QStringLiteral("Check") + controlName);
  Name(picker.Date, accessibleName, controlName);
  picker.Date->setCalendarPopup(true);
  connect(picker.Check, &QCheckBox::toggled, this, &TFormEditEmailFilter::UpdateEnabling);
  return picker;
}

void TFormEditEmailFilter::SetPickerDate(const TDatePicker& picker, double value) {
  picker.Check->setChecked(value != 0);
  picker.Date->setDate(value != 0 ? QDateTimeFromDateTime(value).date() : QDate::currentDate());
}

double TFormEditEmailFilter::PickerDate(const TDatePicker& picker) {
  if (!picker.Check->isChecked()) return 0;
  return DateTimeFromQDateTime(QDateTime(picker.Date->date(), QTime(0, 0)));
}

void TFormEditEmailFilter::UpdateEnabling() {
  const bool range = FRadioDateFromTo->isChecked();
  FEditDays->setEnabled(FRadioDateOlderThan->isChecked());
  for (const TDatePicker* p : {&FPickerFrom, &FPickerTo}) {
    p->Check->setEnabled(range);
    p->Date->setEnabled(range && p->Check->isChecked());
  }
}

void TFormEditEmailFilter::PartToControls() {
  const TJobDef_EmailFilter1& f1 = FJobDef_EmailFilter1;
  const QStringList* lists[4][2] = {{&f1.SenderIncludeList(), &f1.SenderExcludeList()},
                                    {&f1.RecipientIncludeList(), &f1.RecipientExcludeList()},
                                    {&f1.SubjectIncludeList(), &f1.SubjectExcludeList()},
                                    {&f1.AttIncludeList(), &f1.AttExcludeList()}};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 2; ++j) SetMemoLines(FMemos[i][j], *lists[i][j]);

  const TJobDef_EmailFilter2& f2 = FJobDef_EmailFilter2;
  FRadioDateAny->setChecked(f2.DateMode() != dmOlderThan && f2.DateMode() != dmFromTo);
  FRadioDateOlderThan->setChecked(f2.DateMode() == dmOlderThan);
  FRadioDateFromTo->setChecked(f2.DateMode() == dmFromTo);
  if (f2.DateMode() == dmOlderThan) FEditDays->setValue(f2.Days());
  const bool range = f2.DateMode() == dmFromTo;
  SetPickerDate(FPickerFrom, range ? f2.FromDate() : 0);
  SetPickerDate(FPickerTo, range ? f2.ToDate() : 0);
  UpdateEnabling();
}

bool TFormEditEmailFilter::ControlsToPart() {
  TJobDef_EmailFilter1& f1 = FJobDef_EmailFilter1;
  f1.Clear();
  f1.SetSenderIncludeList(MemoLines(FMemos[0][0]));
  f1.SetSenderExcludeList(MemoLines(FMemos[0][1]));
  f1.SetRecipientIncludeList(MemoLines(FMemos[1][0]));
  f1.SetRecipientExcludeList(MemoLines(FMemos[1][1]));
  f1.SetSubjectIncludeList(MemoLines(FMemos[2][0]));
  f1.SetSubjectExcludeList(MemoLines(FMemos[2][1]));
  f1.SetAttIncludeList(MemoLines(FMemos[3][0]));
  f1.SetAttExcludeList(MemoLines(FMemos[3][1]));

  TJobDef_EmailFilter2& f2 = FJobDef_EmailFilter2;
  f2.Clear();
  if (FRadioDateOlderThan->isChecked()) {
    f2.SetDateMode(dmOlderThan);
    f2.SetDays(FEditDays->value());
  } else if (FRadioDateFromTo->isChecked()) {
    f2.SetDateMode(dmFromTo);
    f2.SetFromDate(PickerDate(FPickerFrom));
    f2.SetToDate(PickerDate(FPickerTo));
    const bool none = f2.FromDate() == 0 && f2.ToDate() == 0;
    const bool reversed = f2.FromDate() != 0 && f2.ToDate() != 0 && f2.FromDate() > f2.ToDate();
    if (none || reversed) Fail(FRadioDateFromTo, QStringLiteral("Invalid date range"));
  }
  return true;
}
