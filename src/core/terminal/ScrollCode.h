#pragma once

// What the scroll bar (or a key) asks of the scroll-back view.
enum class ScrollCode {
  LineUp,
  LineDown,
  PageUp,
  PageDown,
  ThumbPosition,
  ThumbTrack,
  Top,
  Bottom,
  EndScroll,
};
