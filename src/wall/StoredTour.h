// The tours of an account's walls, kept in a file of their own beside the account file
// ("<account>_tour.xml"): per wall its interval, the group it tours (none: every page) and
// whether it ran when the program ended, so that the next start takes it up again. Written
// atomically and readable by the owner only, like the account file.
// Threading: callable from any thread; the desktop program reads and writes on its UI thread.
#pragma once

#include <filesystem>

#include "wall/WallTour.h"

namespace nimbrel {

// The tour file that belongs to the account file `accountFile`.
std::filesystem::path TourFileFor(const std::filesystem::path& accountFile);

// The tour of wall number `wall` as stored. Defaults (10 s, every page, not running) when the
// file or the wall's entry is missing or unreadable; an interval out of 5…300 s is brought
// within, a group that is not a number counts as none.
WallTour::Settings ReadStoredTour(const std::filesystem::path& file, int wall);
// Stores the tour of wall `wall`, keeping the other walls' entries. False when the file could
// not be written (the previous one stays as it was).
bool WriteStoredTour(const std::filesystem::path& file, int wall,
                     const WallTour::Settings& settings);

}  // namespace nimbrel
