// The main window's placement as the account file keeps it under "config2": "IsMax" and the
// rectangle "MainX", "MainY", "MainX1", "MainY1" (left, top, right, bottom in screen pixels);
// the save at exit that writes it together with the wall's layout; and the tree's width.
// Threading: Read/WriteWindowPlacement as the AccountFile they work on; SaveWindowAndLayout from
// any thread.
#pragma once

#include <filesystem>

#include "app/MainLayout.h"
#include "service/AccountFile.h"
#include "wall/SplitLayout.h"

namespace nimbrel {

struct WindowPlacement {
    bool maximised = false;
    StoredWindowRect rect;
    friend bool operator==(const WindowPlacement& a, const WindowPlacement& b) {
        return a.maximised == b.maximised && a.rect.left == b.rect.left &&
               a.rect.top == b.rect.top && a.rect.right == b.rect.right &&
               a.rect.bottom == b.rect.bottom;
    }
};

// Missing values read as 0.
WindowPlacement ReadWindowPlacement(const AccountFile& file);
// Adds "config2" or a value when missing; does not save.
bool WriteWindowPlacement(AccountFile& file, const WindowPlacement& placement);

// The tree's width the user chose ("TreeWidth"); 0 when none is stored.
int ReadStoredTreeWidth(const AccountFile& file);
// Writes it through the file's owner, loading and saving the file. False when that fails.
bool SaveTreeWidth(const std::filesystem::path& accountFile, int width);

// Loads the account file, writes the placement and the layout into "config2" and saves it, through
// the file's owner (the refreshes may still be writing the device groups). False when the file
// cannot be loaded or saved.
bool SaveWindowAndLayout(const std::filesystem::path& accountFile, const WindowPlacement& placement,
                         const SplitLayout& layout);

}  // namespace nimbrel
