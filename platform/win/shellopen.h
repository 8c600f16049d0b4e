#pragma once
// Opening a document or an address in the program the desktop associates with it (the
// "open" verb of the shell). Every such request of the program goes through SHELLOPEN, so
// tests put a recorder in place of the desktop and nothing is launched.
#include <functional>
#include <string>

namespace win {

// `target` is a local path (absolute, "/" or "\" separators) or a URL with a scheme
// ("https://..."). True when the desktop took the request. The desktop's opener (xdg-open)
// may still find no program for it after it has started: it then ends with an error, and
// `failed` is called on the GUI thread, once, from the event loop.
bool SHELLOPEN(const std::string& target, std::function<void()> failed = {});

using ShellOpenHandler = std::function<bool(const std::string& target)>;
// Installs a handler in place of the desktop; an empty function restores the desktop.
// Returns the previous handler.
ShellOpenHandler setShellOpenHandler(ShellOpenHandler handler);

}  // namespace win
