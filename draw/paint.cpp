#include "draw/paint.h"

#include <cmath>

namespace draw {

void Paint::Device(Surface& objDevice) {
  device_ = &objDevice;
  const int savedMode = objDevice.ScaleMode();
  left_ = objDevice.ScaleLeft();
  top_ = objDevice.ScaleTop();
  const float right = objDevice.ScaleLeft() + objDevice.ScaleWidth();
  const float bottom = objDevice.ScaleTop() + objDevice.ScaleHeight();
  objDevice.SetScaleMode(kPixelScale);
  const float pixelWidth = objDevice.ScaleWidth();
  const float pixelHeight = objDevice.ScaleHeight();
  if (savedMode != kUserScale) {
    objDevice.SetScaleMode(savedMode);
  } else {
    objDevice.Scale(left_, top_, right, bottom);
  }
  // A surface without extent has no pixel factor: Flood then paints nothing.
  xFactor_ = right != left_ ? pixelWidth / (right - left_) : 0.0f;
  yFactor_ = bottom != top_ ? pixelHeight / (bottom - top_) : 0.0f;
}

int Paint::DeviceX(float sngX) const {
  return static_cast<int>(std::lrint(static_cast<float>((sngX - left_) * xFactor_)));
}

int Paint::DeviceY(float sngY) const {
  return static_cast<int>(std::lrint(static_cast<float>((sngY - top_) * yFactor_)));
}

void Paint::Flood(float sngX, float sngY) {
  if (device_ == nullptr || xFactor_ == 0.0f || yFactor_ == 0.0f) return;
  const float x = (sngX - left_) * xFactor_;
  const float y = (sngY - top_) * yFactor_;
  // Far outside the picture there is nothing to fill (and no integer to convert to).
  if (!(std::abs(x) < 1.0e9f && std::abs(y) < 1.0e9f)) return;
  device_->FloodFillPixels(DeviceX(sngX), DeviceY(sngY), device_->ForeColor);
}

}  // namespace draw
