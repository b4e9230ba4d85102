// The message boxes with which the add-in's dialogs ask and report, captioned
// "Tarnwick".
#pragma once

#include <QString>
#include <functional>

class QWidget;

// Yes and No; true only for Yes.
bool AskYesNo(QWidget* owner, const QString& text);
// Error icon, OK.
void ShowError(QWidget* owner, const QString& text);

// Test hook: while set, no box is shown; the hook gets every box instead
// (question is true for AskYesNo) and its result is the answer.
using TMsgBoxHook = std::function<bool(QWidget* owner, bool question, const QString& text)>;
void SetMsgBoxHook(TMsgBoxHook hook);
