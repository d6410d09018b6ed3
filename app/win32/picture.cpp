#include "app/win32/picture.h"

namespace drowsel::win32app {

Picture LoadBitmapResource(HINSTANCE instance, int resourceId) {
  // A DIB section keeps the bitmap's own colours whatever the screen's depth,
  // which HALFTONE needs to average them well when it scales.
  Picture picture;
  picture.bitmap.reset(static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!picture.bitmap) return {};
  BITMAP info = {};
  if (GetObjectW(picture.bitmap.get(), sizeof(info), &info) != sizeof(info) || info.bmWidth <= 0 ||
      info.bmHeight == 0) {
    return {};
  }
  picture.width = info.bmWidth;
  picture.height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  return picture;
}

}  // namespace drowsel::win32app
