#pragma once

#include <QString>
#include <QStringView>
#include <cstddef>
#include <string>

class QLineEdit;
class QPlainTextEdit;

namespace hvt {

class TextCodec;

// A document text (bytes in the document's code page) shown in a widget.
// The widget gets Unicode; what comes back is the original bytes as long as
// the operator left the text as shown, so bytes that are no text in the
// code page and CR LF line ends survive a dialog closed with OK.
class ShownText {
 public:
  // multiLine: CR LF (and a lone CR) are shown as line breaks and line
  // breaks are stored as CR LF.
  ShownText(const TextCodec& codec, std::string bytes, bool multiLine);

  const QString& Shown() const { return shown; }
  std::string Bytes(const QString& now) const;

 private:
  const TextCodec* codec;
  std::string original;
  bool multiLine;
  QString shown;
};

// Bytes to Unicode for display. Characters that are no text in the code
// page are shown as U+FFFD, the rest as they are.
QString ShowBytes(const TextCodec& codec, const std::string& bytes);
// Unicode to code-page bytes; every line break is CR LF.
std::string StoreText(const TextCodec& codec, QStringView text);

// The result of an edit held to a byte limit: `text` is the edited text
// without its characters cutFrom..cutTo (none when the edit fits).
struct FittedEdit {
  QString text;
  qsizetype cutFrom = 0;
  qsizetype cutTo = 0;
  bool Cut() const { return cutTo > cutFrom; }
};
// `after` is `before` with one stretch replaced (typing, pasting, dropping).
// When `after` stores to more than `limit` bytes, the inserted stretch keeps
// only the whole characters that fit; a text that was already too long
// takes no insertion, while deleting from it is always allowed.
FittedEdit FitEdit(const TextCodec& codec, const QString& before, const QString& after,
                   size_t limit);

// Holds the widget's contents to `limit` bytes in the code page, the way the
// edit controls of the original platform count: a double-byte character
// counts 2, a line break 2.
void LimitBytes(QLineEdit* edit, const TextCodec& codec, size_t limit);
void LimitBytes(QPlainTextEdit* edit, const TextCodec& codec, size_t limit);

// A plain-text edit's contents with "\n" for every line break; unlike
// toPlainText() it keeps no-break spaces as they are.
QString PlainText(const QPlainTextEdit* edit);

}  // namespace hvt
