// The module's ribbon tab and Explorer command bar, and which command each
// control runs.
#pragma once

#include "addin/hosting/AddinHosting.h"

enum TTWKCommand { cmdNone, cmdShowMainDialog, cmdShowOptions, cmdShowOwnAddresses, cmdShowInboxTasks, cmdShowReimport, cmdShowRelocate };

// The command of a ribbon id or a command bar tag.
TTWKCommand CommandOfControl(const QString& id);
// Whether the command's dialog exists in this build (the others are shown
// disabled).
bool CommandAvailable(TTWKCommand command);

TAddinControl TWKRibbonTab();
TAddinControl TWKExplorerCommandBar();
