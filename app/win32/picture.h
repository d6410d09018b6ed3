// The background picture: a bitmap among the program's resources, which every
// Windows loads itself, with no imaging component.
#pragma once

#include <windows.h>

#include "host/win32/scoped.h"

namespace drowsel::win32app {

struct Picture {
  win32host::ScopedGdi<HBITMAP> bitmap;
  int width = 0;
  int height = 0;
};

// An empty picture when the resource is missing or cannot be loaded; the
// window then shows its plain background instead.
Picture LoadBitmapResource(HINSTANCE instance, int resourceId);

}  // namespace drowsel::win32app
