#include "model/Profile.h"

#include <vector>

namespace hvt {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

struct Line {
  std::string_view text;  // without the line break
  enum Kind { Other, Section, Entry } kind = Other;
  std::string_view name;   // section or key name
  std::string_view value;  // entry value
};

std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  while (!content.empty()) {
    const size_t end = content.find('\n');
    Line line;
    line.text = content.substr(0, end);
    if (!line.text.empty() && line.text.back() == '\r') line.text.remove_suffix(1);
    content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);

    const std::string_view t = Trim(line.text);
    if (t.empty() || t.front() == ';') {
      line.kind = Line::Other;
    } else if (t.front() == '[') {
      const size_t close = t.find(']');
      line.kind = Line::Section;
      line.name =
          Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    } else if (const size_t eq = t.find('='); eq != std::string_view::npos) {
      line.kind = Line::Entry;
      line.name = Trim(t.substr(0, eq));
      line.value = Trim(t.substr(eq + 1));
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

std::string ProfileRead(std::string_view content, std::string_view section, std::string_view key) {
  return ProfileFind(content, section, key).value_or(std::string());
}

std::optional<std::string> ProfileFind(std::string_view content, std::string_view section,
                                       std::string_view key) {
  bool inSection = false;
  for (const Line& line : SplitLines(content)) {
    if (line.kind == Line::Section) {
      inSection = SameName(line.name, section);
    } else if (inSection && line.kind == Line::Entry && SameName(line.name, key)) {
      return std::string(line.value.substr(0, kProfileReadLimit));
    }
  }
  return std::nullopt;
}

std::string ProfileWrite(std::string_view content, std::string_view section, std::string_view key,
                         std::string_view value) {
  const std::vector<Line> lines = SplitLines(content);
  // A line break in a value would start a line of its own and could forge
  // another key, so breaks become blanks.
  std::string cleanValue(value);
  for (char& c : cleanValue) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  const std::string entry = std::string(key) + "=" + cleanValue;

  // Where the section starts, where its last entry is, and an existing key.
  size_t sectionLine = lines.size();
  size_t insertAfter = lines.size();
  size_t keyLine = lines.size();
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    if (line.kind == Line::Section) {
      if (inSection) break;  // the section's first occurrence is the one read
      inSection = SameName(line.name, section);
      if (inSection) sectionLine = insertAfter = i;
    } else if (inSection && line.kind == Line::Entry) {
      insertAfter = i;
      if (SameName(line.name, key)) {
        keyLine = i;
        break;
      }
    }
  }

  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i == keyLine) {
      out += entry + "\r\n";
      continue;
    }
    out.append(lines[i].text);
    out += "\r\n";
    if (keyLine == lines.size() && sectionLine != lines.size() && i == insertAfter) {
      out += entry + "\r\n";
    }
  }
  if (sectionLine == lines.size()) {
    out += "[" + std::string(section) + "]\r\n" + entry + "\r\n";
  }
  return out;
}

}  // namespace hvt
