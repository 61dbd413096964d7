#pragma once
// What of a keyboard map decides what its keys produce, as a list of numbers:
// two reads of the map with equal fingerprints map every key alike. Declared
// without the X11 headers, whose macros (such as KeyPress) clash with Qt's.
#include <vector>

struct _XkbDesc;

// Key types, symbols, real and virtual modifier maps, actions, behaviours and
// explicit components of a map read with XkbAllMapComponentsMask.
std::vector<unsigned long> XkbMapFingerprint(const _XkbDesc& xkb);
