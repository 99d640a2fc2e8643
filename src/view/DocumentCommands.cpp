#include "view/DocumentCommands.h"

#include "link/Connection.h"
#include "model/DocumentFile.h"
#include "model/DocumentOpen.h"
#include "model/StringTable.h"
#include "model/TextCodec.h"
#include "ports/DocumentStorage.h"
#include "view/CPELKView.h"

namespace hvt {

DocumentCommands::DocumentCommands(CPELKView& view, DocumentStorage& storage,
                                   const TextCodec& codec)
    : view(view), storage(storage), codec(codec) {
  auto& handlers = view.events.commandHandlers;
  handlers[CommandId::FileNew] = [this] { OnFileNew(); };
  handlers[CommandId::FileOpen] = [this] { OnFileOpen(); };
  handlers[CommandId::FileSave] = [this] { OnFileSave(); };
  handlers[CommandId::FileSaveAs] = [this] { OnFileSaveAs(); };
  view.connection.saveDocument = [this] { OnFileSave(); };
}

std::string DocumentCommands::Utf8(const std::string& text) const {
  return codec.ToUtf8(text).value_or(text);
}

std::string DocumentCommands::InCodePage(const std::string& utf8) const {
  return codec.FromUtf8(utf8).value_or(utf8);
}

void DocumentCommands::Tell(const std::string& text) {
  view.prompter.Ask(text, Buttons::Ok, MessageIcon::Warning, Owner::MainWindow);
}

std::string DocumentCommands::Title() const {
  if (pathName.empty()) return Utf8(LoadString(TextId::Untitled));
  const size_t slash = pathName.find_last_of("/\\");
  return slash == std::string::npos ? pathName : pathName.substr(slash + 1);
}

std::string DocumentCommands::WindowTitle() const {
  return Title() + " - " + Utf8(LoadString(TextId::AppTitle));
}

void DocumentCommands::SetPathName(const std::string& path) {
  pathName = path;
  if (addRecentFile && !path.empty()) addRecentFile(path);
  if (showTitle) showTitle(WindowTitle());
}

bool DocumentCommands::SaveModified() {
  if (!view.doc.IsModified()) return true;
  // The framework names a saved document by its full path.
  const std::string name = pathName.empty() ? LoadString(TextId::Untitled) : InCodePage(pathName);
  switch (view.prompter.Ask(FormatText(LoadString(TextId::SaveChanges), name), Buttons::YesNoCancel,
                            MessageIcon::Warning, Owner::MainWindow)) {
    case Answer::Yes:
      return OnFileSave();
    case Answer::No:
      return true;
    default:
      return false;
  }
}

void DocumentCommands::OnFileNew() {
  if (!SaveModified()) return;
  view.doc.OnNewDocument();
  SetPathName("");
  view.run.MakeActive(view.doc.currentUnit);
  view.InitialUpdate();
}

bool DocumentCommands::OnOpenDocument(const std::string& path) {
  if (!HasPlkExtension(path)) {
    Tell(RefusalText(OpenRefusal::WrongExtension, InCodePage(path), 0, {}, codec));
    return false;
  }
  std::string bytes;
  std::string error;
  if (!storage.Read(path, bytes, error)) {
    Tell(InCodePage(path) + ": " + InCodePage(error));
    return false;
  }
  // The modified flag belongs to the work still open until the file is taken.
  const bool wasModified = view.doc.IsModified();
  std::string header;
  const OpenRefusal refusal = OpenDocumentBytes(view.doc, path, bytes, codec, &header);
  if (refusal != OpenRefusal::None) {
    view.doc.SetModifiedFlag(wasModified);
    Tell(RefusalText(refusal, InCodePage(path), bytes.size(), header, codec));
    return false;
  }
  view.doc.SetModifiedFlag(false);
  return true;
}

void DocumentCommands::TakeOpenedDocument(const std::string& path) {
  SetPathName(path);
  view.lists.EmptyClipboard();
  // Fitting the units to this instrument is no change of the operator's.
  if (AdaptToInstrument(view.doc))
    Tell(FormatText(LoadString(TextId::OtherModel), InCodePage(path)));
  view.run.MakeActive(view.doc.currentUnit);
  view.InitialUpdate();
}

void DocumentCommands::OnFileOpen() {
  // Cancel at the save prompt ends the command: going on to the open-file
  // dialog would let the next file replace the work the operator kept.
  if (!SaveModified()) return;
  const auto path = view.dialogs->OpenFileName();
  if (!path) return;
  if (!OnOpenDocument(*path)) return;
  TakeOpenedDocument(*path);
}

bool DocumentCommands::OpenDocumentFile(const std::string& path) {
  if (!SaveModified()) return false;
  if (!OnOpenDocument(path)) return false;
  TakeOpenedDocument(path);
  return true;
}

bool DocumentCommands::DoSave(const std::string& path) {
  const std::string bytes = StoreDocument(view.doc);
  std::string error;
  if (!storage.Write(path, bytes, error)) {
    Tell(LoadString(TextId::FailedToSave) + "\n" + InCodePage(path) + ": " + InCodePage(error));
    return false;
  }
  view.doc.SetModifiedFlag(false);
  SetPathName(path);
  return true;
}

bool DocumentCommands::OnFileSave() {
  if (pathName.empty()) return OnFileSaveAs();
  return DoSave(pathName);
}

bool DocumentCommands::OnFileSaveAs() {
  const std::string proposed = pathName.empty() ? Title() + ".plk" : pathName;
  const auto path = view.dialogs->SaveFileName(proposed);
  if (!path) return false;
  return DoSave(*path);
}

}  // namespace hvt
