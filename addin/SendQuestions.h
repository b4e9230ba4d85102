// The send capture's two questions as plain question boxes on the desktop.
#pragma once

#include "core/SendHandlers.h"

class QWidget;

class TDesktopSendQuestions final : public TSendQuestions {
public:
  explicit TDesktopSendQuestions(QWidget* owner) : FOwner(owner) {}
  TReplaceAnswer AskReplace(const QString& attFilename, const QString& orgFilename, bool trusted) override;
  TDeleteAnswer AskDeleteLink(const QString& attFilename, const QString& orgFilename) override;

private:
  QWidget* FOwner;
};
