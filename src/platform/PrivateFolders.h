// Folders made for the user's own files (recordings, snapshots, account files): every level that
// is missing is made for its owner only (0700); folders that exist keep their mode.
// Threading: callable from any thread.
#pragma once

#include <filesystem>
#include <string>

namespace nimbrel {

// Creates every missing level of `folder`; false, with the reason in `error`, when it is not a
// folder afterwards.
bool MakeFolders(const std::filesystem::path& folder, std::string& error);

}  // namespace nimbrel
