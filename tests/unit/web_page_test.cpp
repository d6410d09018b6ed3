// Finding the browser through a probe file and starting it, on the fake host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form1.h"
#include "desktop/web_page.h"
#include "tests/unit/fake_host.h"

namespace drowsel {
namespace {

using testing::FakeHost;
using Calls = std::vector<std::string>;

const std::u16string Address = u"https://www.example.com/drowsel/";

bool HasCallStartingWith(const FakeHost& host, std::string_view prefix) {
  return !host.CallsStartingWith(prefix).empty();
}

TEST(WebPageTest, ProbesStartsTheBrowserWithASpaceAndTheAddressAndClosesBothHandles) {
  FakeHost host;
  EXPECT_TRUE(OpenWebPage(host, Address));
  EXPECT_EQ(host.calls(),
            (Calls{
                "GetTempPathW(0)",
                "GetTempPathW(9)",
                "CreateFileA(C:\\Temp\\drowsel-probe-77-0.html)",
                "CloseHandle(768)",
                "FindExecutableA(drowsel-probe-77-0.html, C:\\Temp\\)",
                "DeleteFileA(C:\\Temp\\drowsel-probe-77-0.html)",
                "CreateProcessA(C:\\Browser\\browser.exe, \" https://www.example.com/drowsel/\", "
                "no inherit, 32, flags 1, show 1)",
                "CloseHandle(769)",
                "CloseHandle(770)",
            }));
  EXPECT_TRUE(host.fs.files.empty());  // the probe is gone
  EXPECT_EQ(host.openHandles(), 0u);
}

TEST(WebPageTest, StartsNothingWhenNoProgramIsAssociated) {
  for (const std::intptr_t code : {31, 2, 0}) {
    FakeHost host;
    host.shell.findResult = code;
    EXPECT_FALSE(OpenWebPage(host, Address)) << code;
    EXPECT_FALSE(HasCallStartingWith(host, "CreateProcessA")) << code;
    EXPECT_TRUE(host.fs.files.empty()) << code;
  }
  FakeHost host;
  host.shell.findResult = 32;  // the lowest success
  EXPECT_TRUE(OpenWebPage(host, Address));
}

TEST(WebPageTest, AFailedStartReportsFalseAndClosesNothingItDidNotGet) {
  FakeHost host;
  host.shell.processStartFails = true;
  EXPECT_FALSE(OpenWebPage(host, Address));
  EXPECT_EQ(host.calls().back().rfind("CreateProcessA(", 0), 0u);
  EXPECT_FALSE(HasCallStartingWith(host, "!!"));
}

TEST(WebPageTest, NeverTouchesAFileItDidNotCreate) {
  FakeHost host;
  host.fs.files[u"C:\\Temp\\dummy.html"] = "someone's page";
  host.fs.files[u"C:\\Temp\\drowsel-probe-77-0.html"] = "left by an earlier run";
  EXPECT_TRUE(OpenWebPage(host, Address));
  EXPECT_EQ(host.fs.files, (std::map<std::u16string, std::string>{
                               {u"C:\\Temp\\dummy.html", "someone's page"},
                               {u"C:\\Temp\\drowsel-probe-77-0.html", "left by an earlier run"},
                           }));
  EXPECT_TRUE(HasCallStartingWith(host, "FindExecutableA(drowsel-probe-77-1.html"));
}

TEST(WebPageTest, DoesNothingWhenTheTemporaryFolderIsUnusable) {
  struct Case {
    const char* name;
    void (*setUp)(FakeHost&);
  };
  const Case cases[] = {
      {"no temporary folder", [](FakeHost& host) { host.fs.tempPathFails = true; }},
      {"read-only folder", [](FakeHost& host) { host.fs.folderReadOnly = true; }},
      // The ANSI functions would see "C:\????\", or another folder's name.
      {"outside the code page, no short form",
       [](FakeHost& host) { host.fs.tempPath = u"C:\\\u0422\u0435\u0441\u0442\\"; }},
      {"look-alikes, no short form",
       [](FakeHost& host) { host.fs.tempPath = u"C:\\\u0141\u00f3d\u017a\\"; }},
  };
  for (const Case& c : cases) {
    FakeHost host;
    c.setUp(host);
    EXPECT_FALSE(OpenWebPage(host, Address)) << c.name;
    EXPECT_FALSE(HasCallStartingWith(host, "FindExecutableA")) << c.name;
    EXPECT_FALSE(HasCallStartingWith(host, "CreateProcessA")) << c.name;
    EXPECT_FALSE(HasCallStartingWith(host, "!!")) << c.name;
  }
}

// A temporary folder whose name the ANSI code page cannot write (a user
// profile in Cyrillic on a Western Windows) is used by its short form.
TEST(WebPageTest, AFolderOutsideTheCodePageIsProbedByItsShortForm) {
  FakeHost host;
  host.fs.tempPath = u"C:\\users\\Public\\\u0422\u0435\u0441\u0442\\";
  host.fs.shortPaths[host.fs.tempPath] = u"C:\\users\\Public\\____~3FP\\";
  EXPECT_TRUE(OpenWebPage(host, Address));
  EXPECT_EQ(host.CallsStartingWith("CreateFileA"),
            Calls{"CreateFileA(C:\\users\\Public\\____~3FP\\drowsel-probe-77-0.html)"});
  EXPECT_TRUE(host.fs.files.empty());
}

// Sixteen names are tried, and a folder that holds them all is given up on.
TEST(WebPageTest, GivesUpAfterSixteenProbeNames) {
  FakeHost host;
  for (int i = 0; i < 16; ++i) {
    const std::string name = "C:\\Temp\\drowsel-probe-77-" + std::to_string(i) + ".html";
    host.fs.files[std::u16string(name.begin(), name.end())] = "taken";
  }
  EXPECT_FALSE(OpenWebPage(host, Address));
  EXPECT_EQ(host.CallsStartingWith("CreateFileA").size(), 16u);
  EXPECT_FALSE(HasCallStartingWith(host, "CreateProcessA"));
}

TEST(WebPageTest, ALongTemporaryPathIsReadWhole) {
  FakeHost host;
  host.fs.tempPath = u"C:\\" + std::u16string(300, u'd') + u"\\";
  std::int32_t code = 0;
  EXPECT_EQ(FindBrowser(host, code), u"C:\\Browser\\browser.exe");
  EXPECT_EQ(code, 42);
  EXPECT_EQ(TempDirectory(host), host.fs.tempPath);
}

TEST(WebPageTest, AProbeThatCannotBeDeletedDoesNotStopTheBrowser) {
  FakeHost host;
  host.fs.deleteFails = true;
  EXPECT_TRUE(OpenWebPage(host, Address));
}

TEST(WebPageTest, TrimAtNullKeepsTheTextBeforeTheFirstNul) {
  EXPECT_EQ(TrimAtNull(u"C:\\Temp\\"), u"C:\\Temp\\");
  EXPECT_EQ(TrimAtNull(std::u16string(u"\0abc", 4)), u"");
  EXPECT_EQ(TrimAtNull(std::u16string(u"ab\0c\0", 5)), u"ab");
  EXPECT_EQ(TrimAtNull(u""), u"");
}

TEST(WebPageTest, TheSiteButtonOpensTheMakersPage) {
  FakeHost host;
  Form1 form(host, host);
  host.Attach(form);
  host.RunLoad();
  host.ClickAt(2.0, Control::Command4);
  host.RunUntil(3.0);
  const Calls started = host.CallsStartingWith("CreateProcessA");
  ASSERT_EQ(started.size(), 1u);
  EXPECT_NE(started[0].find("\" https://www.example.com/drowsel/\""), std::string::npos);
}

}  // namespace
}  // namespace drowsel
