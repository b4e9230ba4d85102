// Validation of jobs before they run. For now: the two mask helpers.
#pragma once

#include <QString>

// CheckMask of a fresh resolver; attAllowed admits [FE] and its kin.
bool IsValidMask(const QString& mask, bool attAllowed);
// True when the mask contains [MN], [ME], [NN] or [NE] in any case (the
// placeholders that need the own-address list).
bool MaskUsesOwnAddresses(const QString& mask);
