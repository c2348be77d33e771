// Starting helper programs and finding the executable's own folder.
// Threading: callable from any thread.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace nimbrel {

// The folder that holds the running executable.
std::filesystem::path ExecutableDir();

// Starts `program` with `args` detached from this process (it is not waited for).
// Returns false when it could not be started.
bool StartDetached(const std::filesystem::path& program, const std::vector<std::string>& args);

}  // namespace nimbrel
