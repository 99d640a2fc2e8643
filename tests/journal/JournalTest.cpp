#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "journal/Journal.h"
#include "journal/Sha256.h"
#include "os/JournalFolder.h"
#include "support/TempFolder.h"

namespace hvt::journal {
namespace {

namespace fs = std::filesystem;

struct FixedClock : JournalClock {
  int64_t UtcMs() const override { return utc; }
  int64_t MonotonicMs() const override { return mono; }
  int64_t utc = 1765420800123;  // 2025-12-11T02:40:00.123Z
  int64_t mono = 5000;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> out;
  std::stringstream s(bytes);
  for (std::string line; std::getline(s, line);) out.push_back(line);
  return out;
}

struct JournalRig {
  JournalRig() : path(testing::NewTempFolder("hvt-journal")) {
    folder = os::OpenJournalFolder(path, nullptr);
  }
  ~JournalRig() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  // A run of a few records, closed or not.
  fs::path Run(bool end) {
    Writer w(*folder, clock);
    EXPECT_TRUE(w.Create(nullptr));
    EXPECT_TRUE(w.Write("run_start", Json::Object().Set("program", "test")));
    for (int i = 0; i < 3; ++i) {
      clock.mono += 1000;
      EXPECT_TRUE(w.Write("point", Json::Object().Set("voltage_kv", std::to_string(i))));
    }
    if (end) {
      EXPECT_TRUE(w.Write("run_end", Json::Object()
                                         .Set("status", "completed")
                                         .Set("records", w.Records() + 1)
                                         .Set("last_hash", w.LastHash())));
    }
    return path / w.FileName();
  }
  fs::path path;
  FixedClock clock;
  std::unique_ptr<JournalFolder> folder;
};

TEST(Journal, RecordsCarryTheCommonFieldsAndChainToThePreviousLine) {
  EXPECT_EQ(UtcText(1765420800123), "2025-12-11T02:40:00.123Z");
  EXPECT_EQ(FileStamp(1765420800123), "20251211T024000Z");
  EXPECT_EQ(UtcText(951782400000), "2000-02-29T00:00:00.000Z");
  const std::string id = NewRunId();
  EXPECT_EQ(id.size(), 32u);
  EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_NE(NewRunId(), id);

  JournalRig rig;
  const fs::path file = rig.Run(true);
  EXPECT_EQ(file.filename().string().substr(0, 17), "20251211T024000Z_");
  const std::vector<std::string> lines = Lines(ReadAll(file));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].substr(0, 66).find("{\"v\":1,\"seq\":0,\"t\":\"2025-12-11T02:40:00.123Z\""),
            0u);
  EXPECT_EQ(lines[0].find("\"prev\""), std::string::npos);
  for (size_t k = 1; k < lines.size(); ++k) {
    const Json record = *Json::Parse(lines[k]);
    EXPECT_EQ(record.Find("seq")->AsInt(), static_cast<int64_t>(k));
    EXPECT_EQ(record.Find("prev")->AsString(), Sha256Hex(lines[k - 1]));
  }
  const CheckResult check = CheckJournal(ReadAll(file));
  EXPECT_EQ(check.outcome, CheckResult::Outcome::Intact);
  EXPECT_EQ(check.status, "completed");
  EXPECT_EQ(check.records, 5);
  EXPECT_FALSE(check.tornTail);
}

// A record changed or taken out before the last is named by its seq; a cut
// at a line boundary is a crashed run, a cut inside the last line a torn
// tail; neither is a break.
TEST(Journal, TheCheckNamesTheFirstChangedOrMissingRecord) {
  JournalRig rig;
  const std::string bytes = ReadAll(rig.Run(true));
  std::vector<std::string> lines = Lines(bytes);
  auto joined = [](const std::vector<std::string>& ls) {
    std::string out;
    for (const auto& l : ls) out += l + "\n";
    return out;
  };

  std::vector<std::string> changed = lines;
  changed[2].replace(changed[2].find("\"1\""), 3, "\"9\"");
  CheckResult r = CheckJournal(joined(changed));
  EXPECT_EQ(r.outcome, CheckResult::Outcome::Broken);
  EXPECT_EQ(r.firstBreakSeq, 2);

  std::vector<std::string> removed = lines;
  removed.erase(removed.begin() + 2);
  r = CheckJournal(joined(removed));
  EXPECT_EQ(r.outcome, CheckResult::Outcome::Broken);
  EXPECT_EQ(r.firstBreakSeq, 2);

  std::vector<std::string> garbled = lines;
  garbled[1] = "not json";
  r = CheckJournal(joined(garbled));
  EXPECT_EQ(r.outcome, CheckResult::Outcome::Broken);
  EXPECT_EQ(r.firstBreakSeq, 1);

  const std::string cut = joined({lines.begin(), lines.end() - 1});
  r = CheckJournal(cut);
  EXPECT_EQ(r.outcome, CheckResult::Outcome::Intact);
  EXPECT_EQ(r.status, "crashed");

  r = CheckJournal(cut.substr(0, cut.size() - 10));
  EXPECT_EQ(r.outcome, CheckResult::Outcome::Intact);
  EXPECT_TRUE(r.tornTail);
  EXPECT_EQ(r.records, 3);

  EXPECT_EQ(CheckJournal("").outcome, CheckResult::Outcome::NotAJournal);
  EXPECT_EQ(CheckJournal("{\"a\":1}\n").outcome, CheckResult::Outcome::NotAJournal);
  EXPECT_EQ(CheckJournal(joined({lines.begin() + 1, lines.end()})).outcome,
            CheckResult::Outcome::NotAJournal);
}

// Recovery appends, and only appends, to a journal whose writer is gone; a
// live one (its lock held) and a closed one are left alone.
TEST(Journal, RecoveryClosesOnlyRunsWhoseWriterIsGone) {
  JournalRig rig;
  const fs::path closed = rig.Run(true);
  const fs::path crashed = rig.Run(false);
  // Killed inside a record: the torn bytes stay where they are.
  const std::string whole = ReadAll(crashed);
  const std::string torn = whole + "{\"v\":1,\"seq\":4,\"t\":\"20";
  WriteAll(crashed, torn);
  Writer live(*rig.folder, rig.clock);
  rig.clock.utc += 1000;
  ASSERT_TRUE(live.Create(nullptr));
  ASSERT_TRUE(live.Write("run_start", Json::Object()));
  const std::string liveBytes = ReadAll(rig.path / live.FileName());
  const std::string closedBytes = ReadAll(closed);

  std::vector<std::string> problems;
  const std::vector<std::string> done = RecoverJournals(*rig.folder, rig.clock, &problems);
  EXPECT_TRUE(problems.empty());
  ASSERT_EQ(done, std::vector<std::string>{crashed.filename().string()});
  EXPECT_EQ(ReadAll(closed), closedBytes);
  EXPECT_EQ(ReadAll(rig.path / live.FileName()), liveBytes);

  const std::string after = ReadAll(crashed);
  ASSERT_EQ(after.substr(0, torn.size()), torn);
  const CheckResult r = CheckJournal(after);
  EXPECT_EQ(r.outcome, CheckResult::Outcome::Intact) << r.problem;
  EXPECT_EQ(r.status, "crashed");
  ASSERT_EQ(r.records, 6);
  const Json& recovered = r.parsed[4];
  EXPECT_EQ(recovered.Find("type")->AsString(), "recovered");
  EXPECT_EQ(recovered.Find("seq")->AsInt(), 4);
  EXPECT_EQ(recovered.Find("torn_offset")->AsInt(), static_cast<int64_t>(whole.size()));
  EXPECT_EQ(recovered.Find("torn_length")->AsInt(),
            static_cast<int64_t>(torn.size() - whole.size()));
  EXPECT_EQ(recovered.Find("prev")->AsString(), Sha256Hex(Lines(whole).back()));

  // A second pass finds nothing to do.
  EXPECT_TRUE(RecoverJournals(*rig.folder, rig.clock).empty());
  EXPECT_EQ(ReadAll(crashed), after);
  // The live run, once its writer is gone, is closed too.
  live.Close();
  EXPECT_EQ(RecoverJournals(*rig.folder, rig.clock).size(), 1u);
}

// Marks and amendments after the end follow the chain; a live run and one
// without its end take none.
TEST(Journal, NotesAfterTheEndFollowTheChainAndALiveRunTakesNone) {
  JournalRig rig;
  const std::string open = rig.Run(false).filename().string();
  std::string error;
  EXPECT_FALSE(AppendAfterEnd(*rig.folder, rig.clock, open, "mark", Json::Object(), &error));
  EXPECT_EQ(error, "the run has no end yet");

  Writer live(*rig.folder, rig.clock);
  rig.clock.utc += 1000;
  ASSERT_TRUE(live.Create(nullptr));
  ASSERT_TRUE(live.Write("run_start", Json::Object()));
  ASSERT_TRUE(live.Write("run_end", Json::Object().Set("status", "stopped")));
  EXPECT_FALSE(AppendAfterEnd(*rig.folder, rig.clock, live.FileName(), "mark", Json::Object(),
                              &error));
  EXPECT_EQ(error, "the run is still going");
  live.Close();

  ASSERT_TRUE(AppendAfterEnd(*rig.folder, rig.clock, live.FileName(), "mark",
                             Json::Object().Set("criterion", "B"), &error))
      << error;
  ASSERT_TRUE(AppendAfterEnd(*rig.folder, rig.clock, live.FileName(), "amend",
                             Json::Object().Set("amends", 2).Set("criterion", "C"), &error))
      << error;
  const CheckResult r = CheckJournal(ReadAll(rig.path / live.FileName()));
  EXPECT_EQ(r.outcome, CheckResult::Outcome::Intact) << r.problem;
  EXPECT_EQ(r.status, "stopped");
  EXPECT_EQ(r.marks, 1);
  ASSERT_EQ(r.records, 4);
  EXPECT_EQ(r.parsed[3].Find("type")->AsString(), "amend");
  EXPECT_EQ(r.parsed[3].Find("seq")->AsInt(), 3);
}

// Killed at any byte of any record, the journal recovers into one that
// checks intact up to its torn tail and ends crashed.
TEST(Journal, AKillAtAnyByteRecoversIntact) {
  JournalRig rig;
  const std::string bytes = ReadAll(rig.Run(false));
  RecoverJournals(*rig.folder, rig.clock);  // the original, out of the way
  std::mt19937 random(20261211);
  for (int trial = 0; trial < 40; ++trial) {
    const size_t cut = std::uniform_int_distribution<size_t>(1, bytes.size())(random);
    const fs::path file = rig.path / ("20250101T000000Z_" + std::string(32, 'a') + ".jsonl");
    std::error_code ec;
    fs::remove(file, ec);
    WriteAll(file, bytes.substr(0, cut));
    ASSERT_EQ(RecoverJournals(*rig.folder, rig.clock).size(), 1u) << cut;
    const CheckResult r = CheckJournal(ReadAll(file));
    EXPECT_EQ(r.outcome, CheckResult::Outcome::Intact) << cut << " " << r.problem;
    EXPECT_EQ(r.status, "crashed") << cut;
  }
}

}  // namespace
}  // namespace hvt::journal
