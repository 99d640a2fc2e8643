#include "platform/AtomicFile.h"

#include <QFile>
#include <QString>

#include "os/AtomicReplace.h"

namespace hvt {

// Our own temporary file rather than QSaveFile's: a save killed half-way
// leaves a name we know and clear at the next save, and a failing step
// reports the system's text (QSaveFile says "Unknown error" on a full
// disk). On Windows the move over the document is written through.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  return os::AtomicReplace(path, bytes, error);
}

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
