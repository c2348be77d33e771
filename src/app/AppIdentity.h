// The names the toolkit knows the program by: the application name (settings and paths), the
// version and the launcher entry. No display name is set: the toolkit would append it to every
// window title, and the windows carry exactly their own titles.
// Threading: the UI thread, once, before the first window.
#pragma once

namespace nimbrel {

void SetApplicationIdentity();

}  // namespace nimbrel
