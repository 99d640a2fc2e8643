#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

namespace hvt {

// One copy of the program per user session: a lock file in the user's
// runtime folder. A lock left behind by a process that no longer exists is
// taken over; the lock is released when the object goes.
class SingleInstance {
 public:
  // The lock file's default place: the runtime folder, else the temp folder.
  static QString DefaultLockPath();

  explicit SingleInstance(const QString& lockPath = DefaultLockPath());
  // False when another living copy holds the lock.
  bool Acquire();
  bool Held() const { return held; }

 private:
  std::unique_ptr<QLockFile> lock;
  bool held = false;
};

}  // namespace hvt
