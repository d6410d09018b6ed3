// Opening a web page in the user's default browser, found through the
// program the shell associates with ".html" files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/host_services.h"

namespace drowsel {

// The maker's page, opened by the Site button.
inline constexpr std::u16string_view SiteAddress = u"https://www.example.com/drowsel/";

// Starts the browser with one space and the address as its command line, and
// never waits for it. True when a browser process was created; nothing is
// shown either way.
bool OpenWebPage(ShellFunctions& host, const std::u16string& address);

// The browser's full path; `resultCode` gets the shell's answer (32 or more
// when a program is associated), or 0 when the probe file could not be made.
std::u16string FindBrowser(ShellFunctions& host, std::int32_t& resultCode);

// The temporary folder, ending in a backslash; empty when there is none.
std::u16string TempDirectory(ShellFunctions& host);

// The text up to, not including, its first NUL; all of it when it has none.
std::u16string TrimAtNull(const std::u16string& text);

}  // namespace drowsel
