// The stand-in chat client's command line.
#include <gtest/gtest.h>

#include "options.h"

using standin::ParseOptions;

namespace {

bool Rejects(std::vector<std::string> args) {
  return !ParseOptions(args).options.has_value();
}

}  // namespace

TEST(StandinOptions, NoDocumentsGivesOneLobbyInFront) {
  auto parsed = ParseOptions({});
  ASSERT_TRUE(parsed.options.has_value());
  EXPECT_EQ(parsed.options->documents.size(), 1u);
  EXPECT_EQ(parsed.options->documents[0].name, "Lobby");
  EXPECT_TRUE(parsed.options->documents[0].chat_room);
  EXPECT_EQ(parsed.options->front, "Lobby");
}

TEST(StandinOptions, RoomsAndDocsKeepCommandLineOrderAndLastIsFront) {
  auto parsed = ParseOptions({"--room", "Lobby", "--log", "Z:\\tmp\\log.txt", "--doc", "Mail",
                              "--room", "Town", "--doc", "News", "--draft", "brb in 5", "--hang"});
  ASSERT_TRUE(parsed.options.has_value());
  const auto& docs = parsed.options->documents;
  ASSERT_EQ(docs.size(), 4u);
  EXPECT_TRUE(docs[0].name == "Lobby" && docs[0].chat_room);
  EXPECT_TRUE(docs[1].name == "Mail" && !docs[1].chat_room);
  EXPECT_TRUE(docs[2].name == "Town" && docs[2].chat_room);
  EXPECT_TRUE(docs[3].name == "News" && !docs[3].chat_room);
  EXPECT_EQ(parsed.options->front, "News");
  EXPECT_EQ(parsed.options->draft, "brb in 5");
  EXPECT_EQ(parsed.options->log_path, "Z:\\tmp\\log.txt");
  EXPECT_TRUE(parsed.options->hang);
}

TEST(StandinOptions, OnlyDocsGivesNoRoom) {
  auto parsed = ParseOptions({"--doc", "Mail"});
  ASSERT_TRUE(parsed.options.has_value());
  EXPECT_EQ(parsed.options->documents.size(), 1u);
  EXPECT_TRUE(!parsed.options->documents[0].chat_room);
}

TEST(StandinOptions, SwitchAndExitRulesAreRead) {
  auto parsed =
      ParseOptions({"--switch-after", "2:Mail", "--room", "Lobby", "--doc", "Mail",
                    "--switch-after", "3:Lobby", "--exit-after", "4", "--front", "Lobby"});
  ASSERT_TRUE(parsed.options.has_value());
  const auto& options = *parsed.options;
  ASSERT_EQ(options.switches.size(), 2u);
  EXPECT_TRUE(options.switches[0].after_returns == 2 && options.switches[0].document == "Mail");
  EXPECT_TRUE(options.switches[1].after_returns == 3 && options.switches[1].document == "Lobby");
  EXPECT_TRUE(options.exit_after == 4);
  EXPECT_EQ(options.front, "Lobby");
}

TEST(StandinOptions, BadCommandLinesAreRejected) {
  EXPECT_TRUE(Rejects({"--rooms", "Lobby"}));
  EXPECT_TRUE(Rejects({"--room"}));
  EXPECT_TRUE(Rejects({"--room", "Town Square"}));
  EXPECT_TRUE(Rejects({"--room", ""}));
  EXPECT_TRUE(Rejects({"--room", "Lobby", "--doc", "Lobby"}));
  EXPECT_TRUE(Rejects({"--room", "Lobby", "--front", "Mail"}));
  EXPECT_TRUE(Rejects({"--front", "Mail"}));  // the default room is Lobby
  EXPECT_TRUE(Rejects({"--switch-after", "1:Mail"}));
  EXPECT_TRUE(Rejects({"--switch-after", "1Lobby"}));
  EXPECT_TRUE(Rejects({"--switch-after", "0:Lobby"}));
  EXPECT_TRUE(Rejects({"--switch-after", ":Lobby"}));
  EXPECT_TRUE(Rejects({"--exit-after", "0"}));
  EXPECT_TRUE(Rejects({"--exit-after", "2x"}));
  EXPECT_TRUE(Rejects({"--exit-after", "-1"}));
  EXPECT_TRUE(!ParseOptions({"--exit-after"}).error.empty());
}
