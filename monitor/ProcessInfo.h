// What the monitor asks about other programs: the executable name behind a
// window (cached for 120 seconds), a file's product version, and where
// Outlook is installed.
#pragma once

#include <string>
#include <string_view>

#include "platform/desktop/Window.h"

// The executable file name (without folder) of the process that owns the
// window; empty when it cannot be found.
std::u16string GetProcessName(plat::HWND hwnd);
// Forgets the cache (tests; a new run).
void ResetProcessNameCache();

// The major number of the file's product version; 0 when it cannot be read.
// A bare file name is resolved by the system's search rules.
int GetProductMajorVersion(std::u16string_view file);

// Outlook's executable from the App Paths key; empty when the key cannot be read.
std::u16string FindOutlookPath();
