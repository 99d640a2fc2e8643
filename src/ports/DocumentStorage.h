#pragma once

#include <string>
#include <string_view>

namespace hvt {

// The files documents live in. Paths are UTF-8; failures come back with the
// system's reason, for the operator.
class DocumentStorage {
 public:
  virtual ~DocumentStorage() = default;
  // The whole file.
  virtual bool Read(const std::string& path, std::string& bytes, std::string& error) = 0;
  // Replaces the file in one step: a failed write leaves the previous file.
  virtual bool Write(const std::string& path, std::string_view bytes, std::string& error) = 0;
};

}  // namespace hvt
