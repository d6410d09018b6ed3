#include "options.h"

#include "check.h"

using standin::ParseOptions;

namespace {

bool Rejects(std::vector<std::string> args) {
  return !ParseOptions(args).options.has_value();
}

}  // namespace

TEST(NoDocumentsGivesOneLobbyInFront) {
  auto parsed = ParseOptions({});
  if (!CHECK(parsed.options.has_value())) return;
  CHECK_EQ(parsed.options->documents.size(), 1u);
  CHECK_EQ(parsed.options->documents[0].name, "Lobby");
  CHECK(parsed.options->documents[0].chat_room);
  CHECK_EQ(parsed.options->front, "Lobby");
}

TEST(RoomsAndDocsKeepCommandLineOrderAndLastIsFront) {
  auto parsed = ParseOptions({"--room", "Lobby", "--log", "Z:\\tmp\\log.txt", "--doc", "Mail",
                              "--room", "Town", "--doc", "News", "--draft", "brb in 5", "--hang"});
  if (!CHECK(parsed.options.has_value())) return;
  const auto& docs = parsed.options->documents;
  if (!CHECK_EQ(docs.size(), 4u)) return;
  CHECK(docs[0].name == "Lobby" && docs[0].chat_room);
  CHECK(docs[1].name == "Mail" && !docs[1].chat_room);
  CHECK(docs[2].name == "Town" && docs[2].chat_room);
  CHECK(docs[3].name == "News" && !docs[3].chat_room);
  CHECK_EQ(parsed.options->front, "News");
  CHECK_EQ(parsed.options->draft, "brb in 5");
  CHECK_EQ(parsed.options->log_path, "Z:\\tmp\\log.txt");
  CHECK(parsed.options->hang);
}

TEST(OnlyDocsGivesNoRoom) {
  auto parsed = ParseOptions({"--doc", "Mail"});
  if (!CHECK(parsed.options.has_value())) return;
  CHECK_EQ(parsed.options->documents.size(), 1u);
  CHECK(!parsed.options->documents[0].chat_room);
}

TEST(SwitchAndExitRulesAreRead) {
  auto parsed =
      ParseOptions({"--switch-after", "2:Mail", "--room", "Lobby", "--doc", "Mail",
                    "--switch-after", "3:Lobby", "--exit-after", "4", "--front", "Lobby"});
  if (!CHECK(parsed.options.has_value())) return;
  const auto& options = *parsed.options;
  if (!CHECK_EQ(options.switches.size(), 2u)) return;
  CHECK(options.switches[0].after_returns == 2 && options.switches[0].document == "Mail");
  CHECK(options.switches[1].after_returns == 3 && options.switches[1].document == "Lobby");
  CHECK(options.exit_after == 4);
  CHECK_EQ(options.front, "Lobby");
}

TEST(BadCommandLinesAreRejected) {
  CHECK(Rejects({"--rooms", "Lobby"}));
  CHECK(Rejects({"--room"}));
  CHECK(Rejects({"--room", "Town Square"}));
  CHECK(Rejects({"--room", ""}));
  CHECK(Rejects({"--room", "Lobby", "--doc", "Lobby"}));
  CHECK(Rejects({"--room", "Lobby", "--front", "Mail"}));
  CHECK(Rejects({"--front", "Mail"}));  // the default room is Lobby
  CHECK(Rejects({"--switch-after", "1:Mail"}));
  CHECK(Rejects({"--switch-after", "1Lobby"}));
  CHECK(Rejects({"--switch-after", "0:Lobby"}));
  CHECK(Rejects({"--switch-after", ":Lobby"}));
  CHECK(Rejects({"--exit-after", "0"}));
  CHECK(Rejects({"--exit-after", "2x"}));
  CHECK(Rejects({"--exit-after", "-1"}));
  CHECK(!ParseOptions({"--exit-after"}).error.empty());
}
