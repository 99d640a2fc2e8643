#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hvt {

// One run journal open for appending. Its advisory lock is held for as long
// as the object lives, so that no other program closes a run still going.
class JournalFile {
 public:
  virtual ~JournalFile() = default;
  // Appends the bytes whole and syncs them to the medium before returning;
  // false with the system's reason.
  virtual bool AppendAndSync(std::string_view bytes, std::string* error) = 0;
};

// The folder of the run journals. The program never rewrites, truncates,
// renames or deletes a journal: the folder only creates and appends.
class JournalFolder {
 public:
  virtual ~JournalFolder() = default;
  virtual std::string Path() const = 0;
  // Creates name exclusively, never over an existing file, locks it, and
  // syncs the folder so that the new name survives a power cut.
  virtual std::unique_ptr<JournalFile> Create(const std::string& name, std::string* error) = 0;
  // An existing journal for appending, if no live writer holds its lock;
  // nullptr when one does (busy true) or it cannot be opened.
  virtual std::unique_ptr<JournalFile> OpenUnlocked(const std::string& name, bool* busy,
                                                    std::string* error) = 0;
  // The names of the journals (*.jsonl) in the folder, sorted.
  virtual std::vector<std::string> List() const = 0;
  // The last maxBytes of a journal (all of it when shorter) and its size.
  virtual bool ReadTail(const std::string& name, uint64_t maxBytes, std::string& tail,
                        uint64_t& size) const = 0;
};

// The journal's clocks: UTC wall time, and a monotonic count that shows
// when the wall clock jumps.
class JournalClock {
 public:
  virtual ~JournalClock() = default;
  virtual int64_t UtcMs() const = 0;
  virtual int64_t MonotonicMs() const = 0;
};

}  // namespace hvt
