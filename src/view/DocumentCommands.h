#pragma once

#include <functional>
#include <string>

namespace hvt {

class CPELKView;
class DocumentStorage;
class TextCodec;

// File New, Open, Save and Save As, the recent-file list's open and the
// start-up document: which files are taken, what the operator is told, and
// the document's path and title. Paths are UTF-8.
class DocumentCommands {
 public:
  // Registers the File commands with the view's dispatcher and Save as the
  // save the connection offers (message 6003) when it leaves demonstration
  // mode.
  DocumentCommands(CPELKView& view, DocumentStorage& storage, const TextCodec& codec);

  void OnFileNew();
  // The form's File Open: save prompt, open-file dialog, the file, then the
  // units fitted to the connected instrument.
  void OnFileOpen();
  // False when nothing was written (cancelled or failed).
  bool OnFileSave();
  bool OnFileSaveAs();
  // The recent-file list and the command line: save prompt, the file, its
  // units fitted to the instrument. False when the document stayed.
  bool OpenDocumentFile(const std::string& path);

  // Offers to save unsaved changes: false when the operator cancelled or
  // the save failed, so the command that asked must not go on.
  bool SaveModified();

  // "Untitled" or the file's name, and the main window's caption.
  std::string Title() const;
  std::string WindowTitle() const;
  const std::string& PathName() const { return pathName; }

  // The frame shows the caption and keeps the recent-file list.
  std::function<void(const std::string& caption)> showTitle;
  std::function<void(const std::string& path)> addRecentFile;

 private:
  // The open rules of the path and the file. The file is loaded into a
  // copy that replaces the document only when the whole load succeeded.
  bool OnOpenDocument(const std::string& path);
  bool DoSave(const std::string& path);
  void SetPathName(const std::string& path);
  // A file just taken: the clipboard's unit may not fit it, its units are
  // fitted to the instrument, and the form shows it.
  void TakeOpenedDocument(const std::string& path);
  void Tell(const std::string& text);
  // Paths and system texts are UTF-8; messages are in the code page.
  std::string InCodePage(const std::string& utf8) const;
  std::string Utf8(const std::string& text) const;

  CPELKView& view;
  DocumentStorage& storage;
  const TextCodec& codec;
  std::string pathName;
};

}  // namespace hvt
