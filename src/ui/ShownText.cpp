#include "ui/ShownText.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <memory>

#include "model/CodePageText.h"
#include "model/TextCodec.h"

namespace hvt {

namespace {

bool IsLineBreak(QChar c) {
  return c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

size_t StoredBytes(const TextCodec& codec, QStringView text) {
  return StoreText(codec, text).size();
}

}  // namespace

QString ShowBytes(const TextCodec& codec, const std::string& bytes) {
  if (auto utf8 = codec.ToUtf8(bytes)) return QString::fromStdString(*utf8);
  // Character by character, so that one bad byte spoils only itself.
  QString shown;
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = CharLength(bytes, at, codec.CodePage());
    if (auto utf8 = codec.ToUtf8(std::string_view(bytes).substr(at, length))) {
      shown += QString::fromStdString(*utf8);
    } else {
      shown += QChar::ReplacementCharacter;
    }
    at += length;
  }
  return shown;
}

std::string StoreText(const TextCodec& codec, QStringView text) {
  std::u16string utf16;
  utf16.reserve(static_cast<size_t>(text.size()));
  for (QChar c : text) {
    if (IsLineBreak(c)) {
      utf16 += u"\r\n";
    } else {
      utf16 += static_cast<char16_t>(c.unicode());
    }
  }
  return codec.FromUtf16(utf16);
}

ShownText::ShownText(const TextCodec& c, std::string bytes, bool lines)
    : codec(&c), original(std::move(bytes)), multiLine(lines), shown(ShowBytes(c, original)) {
  if (multiLine) {
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
  }
}

std::string ShownText::Bytes(const QString& now) const {
  if (now == shown) return original;
  return StoreText(*codec, now);
}

FittedEdit FitEdit(const TextCodec& codec, const QString& before, const QString& after,
                   size_t limit) {
  FittedEdit fitted{after, 0, 0};
  if (StoredBytes(codec, after) <= limit) return fitted;
  // The replaced stretch lies between the common head and the common tail.
  const qsizetype shorter = std::min(before.size(), after.size());
  qsizetype head = 0;
  while (head < shorter && before[head] == after[head]) ++head;
  qsizetype tail = 0;
  while (tail < shorter - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
    ++tail;
  }
  if (head > 0 && after[head - 1].isHighSurrogate()) --head;
  if (tail > 0 && after[after.size() - tail].isLowSurrogate()) --tail;
  const QStringView inserted = QStringView(after).mid(head, after.size() - head - tail);

  size_t used = StoredBytes(codec, QString(after.left(head) + after.right(tail)));
  qsizetype keep = 0;
  while (keep < inserted.size()) {
    const qsizetype length = inserted[keep].isHighSurrogate() && keep + 1 < inserted.size() ? 2 : 1;
    const size_t bytes = StoredBytes(codec, inserted.mid(keep, length));
    if (used + bytes > limit) break;
    used += bytes;
    keep += length;
  }
  fitted.cutFrom = head + keep;
  fitted.cutTo = head + inserted.size();
  fitted.text.remove(fitted.cutFrom, fitted.cutTo - fitted.cutFrom);
  return fitted;
}

void LimitBytes(QLineEdit* edit, const TextCodec& codec, size_t limit) {
  // The text before the latest change. Texts the program sets are taken as
  // they are (a stored name may be longer); only the operator's edits are
  // held to the limit, and those mark the edit modified.
  auto previous = std::make_shared<QString>(edit->text());
  QObject::connect(edit, &QLineEdit::textChanged, edit,
                   [edit, &codec, limit, previous](const QString& now) {
                     if (!edit->isModified()) {
                       *previous = now;
                       return;
                     }
                     const FittedEdit fitted = FitEdit(codec, *previous, now, limit);
                     *previous = fitted.text;
                     if (!fitted.Cut()) return;
                     edit->setText(fitted.text);
                     edit->setCursorPosition(static_cast<int>(fitted.cutFrom));
                     edit->setModified(true);
                   });
}

QString PlainText(const QPlainTextEdit* edit) {
  QString text = edit->document()->toRawText();
  for (QChar& c : text) {
    if (IsLineBreak(c)) c = u'\n';
  }
  return text;
}

void LimitBytes(QPlainTextEdit* edit, const TextCodec& codec, size_t limit) {
  auto previous = std::make_shared<QString>(PlainText(edit));
  auto cutting = std::make_shared<bool>(false);
  QObject::connect(edit, &QPlainTextEdit::textChanged, edit,
                   [edit, &codec, limit, previous, cutting] {
                     if (*cutting) return;
                     const FittedEdit fitted = FitEdit(codec, *previous, PlainText(edit), limit);
                     *previous = fitted.text;
                     if (!fitted.Cut()) return;
                     // The document's positions are the text's: one per
                     // character, one per line break.
                     *cutting = true;
                     QTextCursor cursor(edit->document());
                     cursor.setPosition(static_cast<int>(fitted.cutFrom));
                     cursor.setPosition(static_cast<int>(fitted.cutTo), QTextCursor::KeepAnchor);
                     cursor.removeSelectedText();
                     *cutting = false;
                     edit->setTextCursor(cursor);
                   });
}

}  // namespace hvt
