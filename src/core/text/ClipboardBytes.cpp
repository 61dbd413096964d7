#include "text/ClipboardBytes.h"

std::string BytesFromClipboardText(std::u16string_view text, const CodePage& page) {
  return page.Encode(text.substr(0, text.find(u'\0')));
}
