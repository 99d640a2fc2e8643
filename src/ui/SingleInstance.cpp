#include "ui/SingleInstance.h"

#include <QDir>
#include <QStandardPaths>

namespace hvt {

QString SingleInstance::DefaultLockPath() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  return QDir(folder).filePath(QStringLiteral("hvt-kp4rs-PELKInstance.lock"));
}

SingleInstance::SingleInstance(const QString& lockPath)
    : lock(std::make_unique<QLockFile>(lockPath)) {
  // Held for the program's whole life: never stale by age, only when its
  // owner is gone.
  lock->setStaleLockTime(0);
}

bool SingleInstance::Acquire() {
  if (held) return true;
  held = lock->tryLock(0);
  if (!held && lock->error() == QLockFile::LockFailedError) {
    // A lock whose process has died (or whose number went to another
    // program) is stale; removal fails while a living copy holds it.
    qint64 pid = 0;
    QString host;
    QString app;
    if (lock->getLockInfo(&pid, &host, &app) && lock->removeStaleLockFile())
      held = lock->tryLock(0);
  }
  return held;
}

}  // namespace hvt
