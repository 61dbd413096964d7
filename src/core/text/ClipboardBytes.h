#pragma once
// Pasted clipboard text as the bytes sent to the host.
#include <string>
#include <string_view>

#include "text/CodePage.h"

// One byte per character through the terminal's code page ('?' for what the
// page cannot show). Like the platform's text clipboard the text ends at the
// first NUL, so a NUL byte is never sent.
std::string BytesFromClipboardText(std::u16string_view text, const CodePage& page);
