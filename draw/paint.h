// Flood fill in user units: converts a point of a surface's scale to device pixels and
// runs the boundary fill there.
#pragma once

#include "draw/surface.h"

namespace draw {

class Paint {
 public:
  // Prepares the conversion for objDevice from its current scale (which is left as it was).
  void Device(Surface& objDevice);
  // Fills from the point (sngX, sngY) in the surface's user units with its brush, up to
  // pixels of its ForeColor.
  void Flood(float sngX, float sngY);

  // The conversions of a user point to device pixels (nearest, halves to even).
  int DeviceX(float sngX) const;
  int DeviceY(float sngY) const;

 private:
  Surface* device_ = nullptr;
  float left_ = 0;
  float top_ = 0;
  float xFactor_ = 0;
  float yFactor_ = 0;
};

}  // namespace draw
