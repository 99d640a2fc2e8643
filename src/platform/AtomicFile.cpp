#include "platform/AtomicFile.h"

#include <QFile>
#include <QString>

#ifdef _WIN32
#include <QSaveFile>
#else
#include "os/AtomicReplace.h"
#endif

namespace hvt {

#ifdef _WIN32

// QSaveFile replaces with MoveFileEx there; its error texts are the system's.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  QSaveFile file(QString::fromStdString(path));
  // No fallback to writing in place: that would destroy the old file on failure.
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = file.errorString().toStdString();
    return false;
  }
  const qint64 size = static_cast<qint64>(bytes.size());
  if (file.write(bytes.data(), size) != size) {
    if (error) *error = file.errorString().toStdString();
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {  // flushes, syncs and renames
    if (error) *error = file.errorString().toStdString();
    return false;
  }
  return true;
}

#else

// Our own temporary file rather than QSaveFile's: a save killed half-way
// leaves a name we know and clear at the next save, and a failing step
// reports errno's text (QSaveFile says "Unknown error" on a full disk).
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  return os::AtomicReplace(path, bytes, error);
}

#endif

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error,
                   size_t maxBytes) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString().toStdString();
    return false;
  }
  // One byte more than allowed tells a file that is too large.
  const QByteArray data = file.read(static_cast<qint64>(maxBytes) + 1);
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = file.errorString().toStdString();
    return false;
  }
  if (static_cast<size_t>(data.size()) > maxBytes) {
    if (error) *error = "larger than " + std::to_string(maxBytes) + " bytes";
    return false;
  }
  bytes.assign(data.constData(), static_cast<size_t>(data.size()));
  return true;
}

}  // namespace hvt
