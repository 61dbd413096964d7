#pragma once
// A DrawContext that records every call, with the colours in force for text,
// so tests can check runs, colours, positions and the cursor image.
#include <string>
#include <vector>

#include "platform/DrawContext.h"

struct DrawCall {
  enum class Kind { Text, Line, Fill };
  Kind kind = Kind::Text;
  int x = 0, y = 0;
  std::string text;           // Text: the characters
  Colour fore = 0;            // Text: text colour; Line and Fill: their colour
  Colour back = 0;            // Text: background colour
  int x2 = 0;                 // Line: end x (excluded)
  int width = 0, height = 0;  // Fill
};

class RecordingDrawContext : public DrawContext {
 public:
  void SetTextColour(Colour c) override { fore_ = c; }
  void SetBackColour(Colour c) override { back_ = c; }
  void DrawText(int x, int y, const unsigned char* text, std::size_t len) override {
    DrawCall call;
    call.kind = DrawCall::Kind::Text;
    call.x = x;
    call.y = y;
    call.text.assign(reinterpret_cast<const char*>(text), len);
    call.fore = fore_;
    call.back = back_;
    calls.push_back(call);
  }
  void HorizontalLine(int x1, int x2, int y, Colour c) override {
    DrawCall call;
    call.kind = DrawCall::Kind::Line;
    call.x = x1;
    call.x2 = x2;
    call.y = y;
    call.fore = c;
    calls.push_back(call);
  }
  void FillRect(int x, int y, int w, int h, Colour c) override {
    DrawCall call;
    call.kind = DrawCall::Kind::Fill;
    call.x = x;
    call.y = y;
    call.width = w;
    call.height = h;
    call.fore = c;
    calls.push_back(call);
  }

  // The calls of one kind, in order.
  std::vector<DrawCall> Of(DrawCall::Kind kind) const {
    std::vector<DrawCall> out;
    for (const DrawCall& c : calls)
      if (c.kind == kind) out.push_back(c);
    return out;
  }
  // Text calls at pixel row y.
  std::vector<DrawCall> TextsAt(int y) const {
    std::vector<DrawCall> out;
    for (const DrawCall& c : calls)
      if (c.kind == DrawCall::Kind::Text && c.y == y) out.push_back(c);
    return out;
  }
  void Clear() { calls.clear(); }

  std::vector<DrawCall> calls;

 private:
  Colour fore_ = 0, back_ = 0;
};
