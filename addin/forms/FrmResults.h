// The results window shown after a manual run: the error that ended it, the
// result lines and the per-mail errors.
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

class TFormResults : public QDialog {
  Q_OBJECT

public:
  explicit TFormResults(QWidget* owner = nullptr);

  void SetExceptMsg(const QString& v) { FExceptMsg = v; }
  void SetMsg(const QString& v) { FMsg = v; }
  QStringList& GetMailErrors() { return FMailErrors; }
  // Fills the memo from the three parts, then shows the window modally.
  int Execute();

  QPlainTextEdit* MemoResults() const { return FMemo; }

private:
  QString FExceptMsg;
  QString FMsg;
  QStringList FMailErrors;
  QPlainTextEdit* FMemo;
  QPushButton* FButtonClose;
};

void ShowResults(QWidget* owner, const QString& exceptMsg, const QString& msg, const QStringList& mailErrors);
