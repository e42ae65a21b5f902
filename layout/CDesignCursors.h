// The pointer shapes of the layout design mode that the system does not have: one per edge
// lock box and lock state. Shared by every node, made once and kept for the process's life.
#pragma once
#include <windows.h>

#include <cstdint>

class CDesignCursors {
 public:
  enum Shape {
    kTopUnlocked,
    kTopLocked,
    kLeftUnlocked,
    kLeftLocked,
    kBottomUnlocked,
    kBottomLocked,
    kRightUnlocked,
    kRightLocked,
    kShapeCount
  };

  // The images are 16 x 16; the shapes are made at that size whatever the system's pointer
  // size, with the hot spot in the middle.
  static constexpr int kSize = 16;
  static constexpr int kHotSpot = 8;

  // Makes the shapes the first time; later calls do nothing.
  static void Create();
  // The shape, or null when it could not be made.
  static HCURSOR Get(Shape shape);
};
