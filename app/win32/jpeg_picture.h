// The background picture: a JPEG among the program's resources, decoded by
// the platform's imaging codecs.
#pragma once

#include <windows.h>

#include "host/win32/scoped.h"

namespace drowsel::win32app {

struct Picture {
  win32host::ScopedGdi<HBITMAP> bitmap;
  int width = 0;
  int height = 0;
};

// An empty picture when the resource is missing or cannot be decoded; the
// window then shows its plain background instead.
Picture LoadJpegResource(HINSTANCE instance, int resourceId);

}  // namespace drowsel::win32app
