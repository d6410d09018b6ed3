// Reads Drowsel's resources back from this program's own image, the way
// Windows and the program see them, and checks what the window relies on.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "resource_ids.h"

namespace {

std::string_view resource(LPCWSTR name, LPCWSTR type) {
  HRSRC found = FindResourceW(nullptr, name, type);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (loaded == nullptr) return {};
  return {static_cast<const char*>(LockResource(loaded)), SizeofResource(nullptr, found)};
}

// The icon group must hold exactly one 32 x 32, 8 bpp (256-colour) image.
TEST(Resources, IconIsOne32x32ImageOf256Colours) {
  std::string_view group = resource(MAKEINTRESOURCEW(IDI_DROWSEL), RT_GROUP_ICON);
  EXPECT_TRUE(group.size() == 6 + 14) << "icon group holds one image";
  if (group.size() >= 6 + 14) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(group[i]); };
    EXPECT_TRUE(byte(4) == 1 && byte(5) == 0) << "icon group count is 1";
    EXPECT_TRUE(byte(6) == 32 && byte(7) == 32) << "icon is 32 x 32";
    EXPECT_TRUE(byte(8) == 0) << "icon has a 256-colour palette";
    EXPECT_TRUE(byte(12) == 8 && byte(13) == 0) << "icon is 8 bits per pixel";
  }

  auto icon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_DROWSEL), IMAGE_ICON, 32, 32, 0));
  EXPECT_TRUE(icon != nullptr) << "LoadImageW loads the icon";
  if (icon != nullptr) DestroyIcon(icon);
}

// The background must load as the window loads it, with the system's own
// bitmap loader, at 400 x 200: twice the 200 x 100 px it covers at 100 %, so
// that it is scaled down, not up, at every DPI to 200 %.
TEST(Resources, BackgroundIsA400x200BitmapTheSystemLoads) {
  auto bitmap =
      static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BACKGROUND),
                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_TRUE(bitmap != nullptr) << "LoadImageW loads the background";
  BITMAP info = {};
  EXPECT_EQ(GetObjectW(bitmap, sizeof(info), &info), static_cast<int>(sizeof(info)));
  std::printf("background: %ld x %ld, %u bpp\n", info.bmWidth, info.bmHeight, info.bmBitsPixel);
  EXPECT_TRUE(info.bmWidth == 400 && info.bmHeight == 200) << "background is 400 x 200";
  DeleteObject(bitmap);
}

// A setting of the process's activation context, as Windows parsed it from
// the manifest; empty when absent. The query is Windows 7's, so it is looked
// up: the build declares only what Windows XP has.
std::wstring setting(const wchar_t* name_space, const wchar_t* name) {
  using QueryFn = BOOL(WINAPI*)(DWORD, HANDLE, PCWSTR, PCWSTR, PWSTR, SIZE_T, SIZE_T*);
  const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryActCtxSettingsW")));
  wchar_t value[64] = L"";
  SIZE_T written = 0;
  if (query == nullptr || !query(0, nullptr, name_space, name, value, 64, &written)) return L"";
  return value;
}

// The manifest must be there and must actually take effect.
TEST(Resources, ManifestTakesEffect) {
  std::string_view xml = resource(CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
  EXPECT_TRUE(!xml.empty()) << "manifest resource 1 is embedded";
  auto has = [&](std::string_view text) { return xml.find(text) != std::string_view::npos; };
  EXPECT_TRUE(has("level=\"asInvoker\"")) << "manifest runs as invoker";
  EXPECT_TRUE(has("version=\"" DROWSEL_VERSION_QUAD "\""))
      << "manifest carries the build's version";
  // A UTF-8 active code page would change the bytes sent to the chat.
  EXPECT_TRUE(!has("<activeCodePage")) << "manifest leaves the ANSI code page alone";

  // The process's activation context sends comctl32.dll to version 6.
  ACTCTX_SECTION_KEYED_DATA redirect{};
  redirect.cbSize = sizeof redirect;
  EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                       L"comctl32.dll", &redirect) != FALSE)
      << "comctl32.dll is redirected to the common controls version 6";

  // The DPI settings sit in the namespaces Windows reads them from.
  EXPECT_TRUE(setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness") ==
              L"PerMonitorV2, PerMonitor")
      << "process is per-monitor v2 DPI aware";
  EXPECT_TRUE(setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware") ==
              L"true/pm")
      << "process has the older per-monitor DPI setting";
}

std::wstring version_string(const void* block, const wchar_t* name) {
  std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block, path.c_str(), &value, &length) || length == 0) return L"";
  return static_cast<const wchar_t*>(value);
}

// The version resource must carry the build's version and names.
TEST(Resources, VersionCarriesTheBuildsVersion) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(exe, &handle);
  EXPECT_TRUE(size != 0) << "version resource is embedded";
  if (size == 0) return;
  std::string block(size, '\0');
  EXPECT_TRUE(GetFileVersionInfoW(exe, 0, size, block.data()) != FALSE) << "GetFileVersionInfoW";

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  EXPECT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) !=
              FALSE)
      << "fixed version info is present";
  if (fixed != nullptr) {
    const unsigned parts[] = {DROWSEL_VERSION_PARTS};
    EXPECT_TRUE(
        HIWORD(fixed->dwFileVersionMS) == parts[0] && LOWORD(fixed->dwFileVersionMS) == parts[1] &&
        HIWORD(fixed->dwFileVersionLS) == parts[2] && LOWORD(fixed->dwFileVersionLS) == parts[3])
        << "FILEVERSION is the build's version";
    EXPECT_TRUE(fixed->dwProductVersionMS == fixed->dwFileVersionMS &&
                fixed->dwProductVersionLS == fixed->dwFileVersionLS)
        << "PRODUCTVERSION equals FILEVERSION";
    EXPECT_TRUE(fixed->dwFileType == VFT_APP) << "file type is an application";
  }

  const std::wstring version = [] {
    std::string narrow = DROWSEL_VERSION;
    return std::wstring(narrow.begin(), narrow.end());
  }();
  EXPECT_TRUE(version_string(block.data(), L"ProductName") == L"Drowsel")
      << "ProductName is Drowsel";
  EXPECT_TRUE(version_string(block.data(), L"FileDescription") == L"Drowsel")
      << "FileDescription is Drowsel";
  EXPECT_TRUE(version_string(block.data(), L"OriginalFilename") == L"drowsel.exe")
      << "OriginalFilename is drowsel.exe";
  EXPECT_TRUE(version_string(block.data(), L"FileVersion") == version)
      << "FileVersion string is the build's";
  EXPECT_TRUE(version_string(block.data(), L"ProductVersion") == version)
      << "ProductVersion string is the build's";
}

}  // namespace
