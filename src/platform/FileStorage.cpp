#include "platform/FileStorage.h"

#include "platform/AtomicFile.h"

namespace hvt {

bool FileStorage::Read(const std::string& path, std::string& bytes, std::string& error) {
  return ReadWholeFile(path, bytes, &error);
}

bool FileStorage::Write(const std::string& path, std::string_view bytes, std::string& error) {
  return WriteFileAtomically(path, bytes, &error);
}

}  // namespace hvt
