// The chat lines, byte for byte as the chat room receives them in code page
// 1252. The expected bytes were written out by hand from the lines' texts, not
// produced by the code under test.
#include <gtest/gtest.h>

#include <string>

#include "chat/catalogue.h"
#include "tests/unit/cp1252.h"

namespace drowsel {
namespace {

struct Entry {
  const char* name;
  std::u16string line;
  const char* expectedHex;
};

TEST(CatalogueTest, EveryLineMatchesItsBytesInCodePage1252) {
  const Entry entries[] = {
      {"MsgLoaded", std::u16string(MsgLoaded),
       "3c666f6e743e3c666f6e7420666163653d53796c6661656e3e3c666f6e742073697a653d"
       "23383e3c666f6e7420636f6c6f723d233939303030303e3c623e87872044726f7773656c"
       "208787204c30616433443c2f666f6e743e"},
      {"MsgUnloaded", std::u16string(MsgUnloaded),
       "3c666f6e743e3c666f6e7420666163653d53796c6661656e3e3c666f6e742073697a653d"
       "23383e3c666f6e7420636f6c6f723d233939303030303e3c623e87872044726f7773656c"
       "20878720556e4c30616433443c2f666f6e743e"},
      {"MsgStarted", std::u16string(MsgStarted),
       "3c666f6e743e3c666f6e7420666163653d53796c6661656e3e3c666f6e742073697a653d"
       "23383e3c666f6e7420636f6c6f723d233939303030303e3c623e87872044726f7773656c"
       "208787203c693e537461727465643c2f693e3c2f666f6e743e"},
      {"MsgStopped", std::u16string(MsgStopped),
       "3c666f6e743e3c666f6e7420666163653d53796c6661656e3e3c666f6e742073697a653d"
       "23383e3c666f6e7420636f6c6f723d233939303030303e3c623e87872044726f7773656c"
       "208787203c693e53746f707065643c2f693e3c2f666f6e743e"},
      {"MsgBanner", std::u16string(MsgBanner),
       "3c666f6e743e3c666f6e7420666163653d53796c6661656e3e3c666f6e742073697a653d"
       "23383e3c666f6e7420636f6c6f723d233939303030303e3c623e87872044726f7773656c"
       "2087873c2f666f6e743e"},
      {"MsgCreditLoad", std::u16string(MsgCreditLoad),
       "3c666f6e743e3c666f6e7420666163653d53796c6661656e3e3c666f6e742073697a653d"
       "23383e3c666f6e7420636f6c6f723d233636363636363e3c733eb76b5233615465442062"
       "5920566f726c617865b73c2f666f6e743e"},
      {"MsgCreditExit", std::u16string(MsgCreditExit),
       "3c666f6e743e3c666f6e7420666163653d53796c6661656e3e3c666f6e742073697a653d"
       "23383e3c666f6e7420636f6c6f723d233636363636363e3c733eb76b5233615465442062"
       "59205175696c6c66656eb73c2f666f6e743e"},
      {"MsgMaker", std::u16string(MsgMaker),
       "3c666f6e743e3c666f6e7420666163653d53796c6661656e3e3c666f6e742073697a653d"
       "23383e3c666f6e7420636f6c6f723d233030303030303e3c693e3c753e2db7b7b7b72056"
       "616e746f72656c20b7b7b7b72d3c2f666f6e743e"},
      {"MsgReason(u\"Lunch\")", MsgReason(u"Lunch"),
       "3c666f6e743e3c666f6e7420666163653d53796c6661656e3e3c666f6e742073697a653d"
       "23383e3c666f6e7420636f6c6f723d233939303030303e3c623e526561736f6e2049646c"
       "653a203c753e4c756e63683c2f753e3c2f666f6e743e"},
      {"MsgIdleFor(u\"3\")", MsgIdleFor(u"3"),
       "3c666f6e743e3c666f6e7420666163653d53796c6661656e3e3c666f6e742073697a653d"
       "23383e3c666f6e7420636f6c6f723d233939303030303e3c623e49646c6520466f723a20"
       "3c693e3c753e33204d696e2873293c2f693e3c2f666f6e743e"},
      {"MsgTotalIdle(u\"  0\")", MsgTotalIdle(u"  0"),
       "3c666f6e743e3c666f6e7420666163653d53796c6661656e3e3c666f6e742073697a653d"
       "23383e3c666f6e7420636f6c6f723d233939303030303e3c623e546f74616c2049646c65"
       "2054696d653a203c753e3c693e202030204d696e2873293c2f666f6e743e"},
  };
  for (const Entry& entry : entries) {
    EXPECT_EQ(testing::Cp1252Hex(entry.line), entry.expectedHex) << entry.name;
  }
}

TEST(CatalogueTest, ComposedLinesInsertTheValueUnchanged) {
  const std::u16string prefix =
      u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>Reason Idle: <u>";
  EXPECT_EQ(MsgReason(u""), prefix + u"</u></font>");
  // Mark-up typed into the reason reaches the room as mark-up.
  EXPECT_EQ(MsgReason(u"<b>brb</b> & back"), prefix + u"<b>brb</b> & back</u></font>");
  // Leading and trailing spaces stay, and nothing is cut however long it is.
  const std::u16string longReason(5000, u'x');
  EXPECT_EQ(MsgReason(u"  " + longReason + u" "), prefix + u"  " + longReason + u" </u></font>");
}

TEST(CatalogueTest, MinuteLinesKeepTheCountAsDisplayed) {
  EXPECT_EQ(MsgTotalIdle(u"  0"),
            u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>Total Idle Time: "
            u"<u><i>  0 Min(s)</font>");
  EXPECT_EQ(MsgIdleFor(u"12"),
            u"<font><font face=Sylfaen><font size=#8><font color=#990000><b>Idle For: "
            u"<i><u>12 Min(s)</i></font>");
}

}  // namespace
}  // namespace drowsel
