// The wall's layout as the account file keeps it under "config2": xNums (columns), yNums (rows)
// and FirstLarger (0 grid, 1 featured), as decimal texts; beside them HealthOverlay (1 when the
// panes show their streams' health).
// Threading: as the AccountFile it works on.
#pragma once

#include "service/AccountFile.h"
#include "wall/SplitLayout.h"

namespace nimbrel {

// The stored layout. A missing value counts as its default (2, 2, 0); values that together name
// none of the six layouts (0 columns, rows unequal to columns, a featured 2×2, text that is not
// a number) give grid 2×2.
SplitLayout ReadStoredLayout(const AccountFile& file);
// Writes the three values, adding config2 or an element when missing. Does not save the file.
bool WriteStoredLayout(AccountFile& file, const SplitLayout& layout);

// The health overlay is on only when the stored value is 1: a file from before the switch
// existed, or any other value, leaves it off.
bool ReadStoredHealthOverlay(const AccountFile& file);
// Writes the switch, adding config2 or the element when missing. Does not save the file.
bool WriteStoredHealthOverlay(AccountFile& file, bool on);

}  // namespace nimbrel
