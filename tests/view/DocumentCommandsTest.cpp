// File New, Open, Save and Save As on the view, on virtual time with the
// simulated instrument, files in memory.

#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "model/DocumentFile.h"
#include "model/TextCodec.h"
#include "ports/DocumentStorage.h"
#include "view/DocumentCommands.h"
#include "support/ViewRig.h"

namespace hvt {
namespace {

using testing::ViewRig;

// Where two byte strings part, for a failure message of a readable size.
std::string FirstDifference(const std::string& a, const std::string& b) {
  size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
         ", first difference at byte " + std::to_string(i);
}

struct MemoryStorage : DocumentStorage {
  bool Read(const std::string& path, std::string& bytes, std::string& error) override {
    auto it = files.find(path);
    if (it == files.end()) {
      error = "No such file or directory";
      return false;
    }
    bytes = it->second;
    return true;
  }
  bool Write(const std::string& path, std::string_view bytes, std::string& error) override {
    if (!writeError.empty()) {
      error = writeError;
      return false;
    }
    files[path] = std::string(bytes);
    return true;
  }
  std::map<std::string, std::string> files;
  std::string writeError;
};

// The operator's answers to the file dialogs, in order; cancelled when none
// are left.
struct FileChooser : Dialogs {
  std::optional<std::string> OpenFileName() override { return Next(); }
  std::optional<std::string> SaveFileName(const std::string& proposed) override {
    proposals.push_back(proposed);
    return Next();
  }
  std::optional<std::string> Next() {
    if (names.empty()) return std::nullopt;
    std::string name = names.front();
    names.pop_front();
    return name;
  }
  std::deque<std::string> names;
  std::vector<std::string> proposals;
};

struct Files {
  explicit Files(sim::InstrumentOptions options = ViewRig::DefaultOptions()) : rig(options) {
    rig.view->dialogs = &chooser;
    commands.showTitle = [this](const std::string& t) { titles.push_back(t); };
    commands.addRecentFile = [this](const std::string& p) { recent.push_back(p); };
  }
  // A document as another copy of the program saved it: its program
  // display has counted the current program's steps.
  static std::string Saved(void (*change)(CPELKDoc&)) {
    CPELKDoc other;
    other.InitNewDocument();
    change(other);
    other.programStepCount = other.CountProgramSteps(other.currentProgram);
    return StoreDocument(other);
  }
  void Open(const std::string& path) {
    chooser.names.push_back(path);
    rig.view->events.OnCommand(CommandId::FileOpen);
  }
  std::vector<std::string> Messages() const { return rig.prompter.Texts(); }

  ViewRig rig;
  MemoryStorage storage;
  FileChooser chooser;
  DocumentCommands commands{*rig.view, storage, Cp1252Codec::Instance()};
  std::vector<std::string> titles;
  std::vector<std::string> recent;
};

TEST(DocumentCommands, RefusedFilesAreNamedWithTheirFullPathAndTheWorkStaysModified) {
  Files f;
  f.storage.files["/data/notes.txt"] = "anything";
  // An older program's document: another header, then bytes of its own.
  f.storage.files["/data/other.plk"] = std::string("\x0bPELK-DOC V2") + std::string(100, '\0');
  f.storage.files["/data/single.plk"] = f.Saved([](CPELKDoc& d) { d.SetDemoConfiguration(1); });
  f.rig.doc.unit(1).voltage = 77;
  f.rig.doc.SetModifiedFlag(true);
  // Not saved each time, yet still open.
  f.rig.prompter.answers = {Answer::No, Answer::Ok, Answer::No, Answer::Ok, Answer::No, Answer::Ok};

  f.Open("/data/notes.txt");
  f.Open("/data/other.plk");
  f.Open("/data/single.plk");
  const std::string ask = "Save changes to Untitled?";
  const std::vector<std::string> expected = {
      ask,
      "/data/notes.txt not recognized.\nOnly Files with \"plk\" extension can be opened.",
      ask,
      "/data/other.plk not recognized.\nThis file may not be an HVT-KP4RS Document.\nIts header "
      "reads \"PELK-DOC V2\".",
      ask,
      "/data/single.plk cannot be opened. This file has differenet properties as to Injection "
      "Unit type.",
  };
  EXPECT_EQ(f.Messages(), expected);
  EXPECT_TRUE(f.rig.doc.IsModified());
  EXPECT_EQ(f.rig.doc.unit(1).voltage, 77);
  EXPECT_TRUE(f.titles.empty());
  EXPECT_TRUE(f.recent.empty());
}

TEST(DocumentCommands, ATruncatedFileChangesNothingOfTheOpenDocument) {
  Files f;
  f.storage.files["/d/kept.plk"] = f.Saved([](CPELKDoc& d) { d.unit(2).voltage = 123; });
  f.Open("/d/kept.plk");
  ASSERT_EQ(f.commands.Title(), "kept.plk");
  f.rig.doc.unit(2).voltage = 99;  // unsaved work
  f.rig.doc.SetModifiedFlag(true);
  const std::string before = StoreDocument(f.rig.doc);
  f.rig.doc.SetModifiedFlag(true);

  const std::string whole = f.Saved([](CPELKDoc& d) { d.unit(40).voltage = 333; });
  f.storage.files["/d/cut.plk"] = whole.substr(0, 1000);
  f.rig.prompter.answers = {Answer::No, Answer::Ok};
  f.Open("/d/cut.plk");
  EXPECT_EQ(f.Messages().back(), "Unexpected file format.\n/d/cut.plk: the file ends at byte 1000");
  EXPECT_EQ(f.commands.PathName(), "/d/kept.plk");
  EXPECT_EQ(f.commands.Title(), "kept.plk");
  EXPECT_TRUE(f.rig.doc.IsModified());
  EXPECT_TRUE(StoreDocument(f.rig.doc) == before);
  f.rig.doc.SetModifiedFlag(true);

  // The recent-file list's open keeps it all the same.
  f.rig.prompter.answers = {Answer::No, Answer::Ok};
  EXPECT_FALSE(f.commands.OpenDocumentFile("/d/cut.plk"));
  EXPECT_TRUE(f.rig.doc.IsModified());
  EXPECT_TRUE(StoreDocument(f.rig.doc) == before);
  EXPECT_EQ(f.commands.PathName(), "/d/kept.plk");
}

TEST(DocumentCommands, AFileOfAnotherModelIsFittedOnceWithoutMarkingItModified) {
  sim::InstrumentOptions low = ViewRig::DefaultOptions();
  low.maxVoltage = 205;
  Files f(low);
  ASSERT_EQ(f.rig.doc.maxVoltage, 205);
  f.storage.files["/d/high.plk"] = f.Saved([](CPELKDoc& d) {
    for (int n : {3, 9}) {
      d.unit(n).terminator = kTerminatorOpen;
      d.unit(n).voltage = 500;  // 5.00 kV, made on a 4.10 kV instrument
      d.unit(n).voltageStop = 520;
      d.unit(n).voltageStep = 10;
    }
    d.unit(6).terminator = kTerminatorOpen;
    d.unit(6).voltage = 400;  // at the limit: kept
    d.currentUnit = 3;
  });
  f.rig.view->formState.clipboardFull = 1;
  f.Open("/d/high.plk");
  EXPECT_EQ(f.Messages(),
            std::vector<std::string>{"/d/high.plk seems to have been saved with a different model "
                                     "with the different maximum voltage. "});
  for (int n : {3, 9}) {
    EXPECT_EQ(f.rig.doc.unit(n).voltage, 1);
    EXPECT_EQ(f.rig.doc.unit(n).voltageStop, 2);
    EXPECT_EQ(f.rig.doc.unit(n).voltageStep, 1);
  }
  EXPECT_EQ(f.rig.doc.unit(6).voltage, 400);
  EXPECT_FALSE(f.rig.doc.IsModified());
  EXPECT_EQ(f.rig.view->formState.clipboardFull, 0);
  EXPECT_EQ(f.rig.view->formState.workingUnit.voltage, 1);  // the form shows the fitted unit
  EXPECT_EQ(f.titles.back(), "high.plk - HVT-KP4RS");
  EXPECT_EQ(f.recent, std::vector<std::string>{"/d/high.plk"});

  // Periods below a 16 ms instrument's minimum, through the recent-file list.
  Files g;
  ASSERT_EQ(g.rig.doc.minVariable, 16);
  g.storage.files["/d/fast.plk"] = g.Saved([](CPELKDoc& d) {
    d.unit(5).variable = 10;
    d.unit(5).variableStop = 40;
    d.unit(6).variable = 20;
    d.unit(6).variableStop = 12;
  });
  EXPECT_TRUE(g.commands.OpenDocumentFile("/d/fast.plk"));
  EXPECT_EQ(g.Messages().size(), 1u);
  for (int n : {5, 6}) {
    EXPECT_EQ(g.rig.doc.unit(n).variable, 16);
    EXPECT_EQ(g.rig.doc.unit(n).variableStop, 17);
  }
  EXPECT_FALSE(g.rig.doc.IsModified());
}

TEST(DocumentCommands, NewIsUntitledAndSaveAsOfAnOpenedFileWritesTheSameBytes) {
  Files f;
  const std::string bytes = f.Saved([](CPELKDoc& d) {
    d.unit(4).voltage = 250;
    d.testMemo = "memo";
    d.currentUnit = 4;
  });
  f.storage.files["/d/a.plk"] = bytes;
  f.Open("/d/a.plk");
  f.chooser.names = {"/d/b.plk"};
  f.rig.view->events.OnCommand(CommandId::FileSaveAs);
  EXPECT_EQ(f.chooser.proposals, std::vector<std::string>{"/d/a.plk"});
  EXPECT_TRUE(f.storage.files["/d/b.plk"] == bytes)
      << FirstDifference(f.storage.files["/d/b.plk"], bytes);
  EXPECT_EQ(f.titles.back(), "b.plk - HVT-KP4RS");

  f.rig.doc.unit(4).voltage = 260;
  f.rig.doc.SetModifiedFlag(true);
  f.rig.prompter.answers = {Answer::Cancel};
  f.rig.view->events.OnCommand(CommandId::FileNew);
  EXPECT_EQ(f.rig.doc.unit(4).voltage, 260);  // Cancel: nothing happens

  f.rig.prompter.answers = {Answer::Yes};
  f.rig.view->events.OnCommand(CommandId::FileNew);
  EXPECT_EQ(f.Messages().back(), "Save changes to /d/b.plk?");
  EXPECT_FALSE(f.storage.files["/d/b.plk"] == bytes);  // Yes saved the change first
  EXPECT_EQ(f.rig.doc.unit(4).voltage, 1);
  EXPECT_EQ(f.titles.back(), "Untitled - HVT-KP4RS");
  EXPECT_EQ(f.commands.PathName(), "");

  // Save of an untitled document asks for a name.
  f.rig.view->events.OnCommand(CommandId::FileSave);
  EXPECT_EQ(f.chooser.proposals.back(), "Untitled.plk");
  EXPECT_EQ(f.storage.files.size(), 2u);
}

TEST(DocumentCommands, AFailedSaveIsReportedKeepsTheWorkAndStopsTheOpenThatAskedForIt) {
  Files f;
  f.storage.files["/d/a.plk"] = f.Saved([](CPELKDoc&) {});
  f.storage.files["/d/next.plk"] = f.Saved([](CPELKDoc& d) { d.unit(1).voltage = 300; });
  f.Open("/d/a.plk");
  f.rig.doc.unit(1).voltage = 42;
  f.rig.doc.SetModifiedFlag(true);
  f.storage.writeError = "Permission denied";

  f.rig.prompter.answers = {Answer::Yes};
  f.Open("/d/next.plk");
  EXPECT_EQ(f.Messages().back(), "Failed to save document.\n/d/a.plk: Permission denied");
  EXPECT_EQ(f.chooser.names.size(), 1u);  // the open-file dialog never came
  EXPECT_TRUE(f.rig.doc.IsModified());
  EXPECT_EQ(f.rig.doc.unit(1).voltage, 42);

  // Cancel at the prompt ends the command too.
  f.rig.prompter.answers = {Answer::Cancel};
  f.rig.view->events.OnCommand(CommandId::FileOpen);
  EXPECT_EQ(f.chooser.names.size(), 1u);

  // No: the next file replaces the work.
  f.chooser.names.clear();
  f.storage.writeError.clear();
  f.rig.prompter.answers = {Answer::No};
  f.Open("/d/next.plk");
  EXPECT_EQ(f.rig.doc.unit(1).voltage, 300);
  EXPECT_FALSE(f.rig.doc.IsModified());
  EXPECT_TRUE(f.storage.files["/d/a.plk"] == f.Saved([](CPELKDoc&) {}));
}

TEST(DocumentCommands, LeavingDemonstrationModeOffersToSaveThroughFileSave) {
  Files f;
  f.storage.files["/d/a.plk"] = f.Saved([](CPELKDoc&) {});
  f.Open("/d/a.plk");
  f.rig.doc.unit(2).voltage = 88;
  f.rig.doc.SetModifiedFlag(true);
  f.rig.doc.demoMode = 1;
  f.rig.prompter.answers = {Answer::Yes};  // 6003: save the set-up
  ASSERT_TRUE(f.rig.view->connection.Connect());
  EXPECT_EQ(f.rig.doc.demoMode, 0);
  EXPECT_FALSE(f.rig.doc.IsModified());
  CPELKDoc reread;
  ASSERT_EQ(LoadDocument(reread, f.storage.files["/d/a.plk"], Cp1252Codec::Instance()),
            LoadOutcome::Loaded);
  EXPECT_EQ(reread.unit(2).voltage, 88);
}

TEST(DocumentCommands, FileCommandsWaitWhileARunIsActive) {
  Files f;
  f.storage.files["/d/a.plk"] = f.Saved([](CPELKDoc& d) { d.unit(1).voltage = 300; });
  f.rig.view->runStatus.runState = Running;
  f.Open("/d/a.plk");
  f.rig.view->events.OnCommand(CommandId::FileNew);
  EXPECT_EQ(f.chooser.names.size(), 1u);
  EXPECT_NE(f.rig.doc.unit(1).voltage, 300);
  f.rig.view->runStatus.runState = LineOn;  // only the line on: allowed
  f.rig.view->events.OnCommand(CommandId::FileOpen);
  EXPECT_EQ(f.rig.doc.unit(1).voltage, 300);
}

}  // namespace
}  // namespace hvt
