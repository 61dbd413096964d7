#pragma once
// The drawing surface the session paints its screen on. Coordinates are pixels
// with cell (0,0) at the top-left of the terminal area.
#include <cstddef>

#include "platform/Colour.h"

class DrawContext {
 public:
  virtual ~DrawContext() = default;
  virtual void SetTextColour(Colour c) = 0;
  virtual void SetBackColour(Colour c) = 0;
  // Draws len single-byte characters from x, y, each cell filled with the back colour.
  virtual void DrawText(int x, int y, const unsigned char* text, std::size_t len) = 0;
  // A one-pixel horizontal line from x1 up to (not including) x2 at row y.
  virtual void HorizontalLine(int x1, int x2, int y, Colour c) = 0;
  virtual void FillRect(int x, int y, int w, int h, Colour c) = 0;
};
