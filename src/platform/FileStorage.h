#pragma once

#include "ports/DocumentStorage.h"

namespace hvt {

// Documents on disk: read whole, replaced atomically.
class FileStorage : public DocumentStorage {
 public:
  bool Read(const std::string& path, std::string& bytes, std::string& error) override;
  bool Write(const std::string& path, std::string_view bytes, std::string& error) override;
};

}  // namespace hvt
