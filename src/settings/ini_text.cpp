#include "settings/ini_text.h"

#include <stdexcept>
#include <vector>

#include "settings/blanks.h"
#include "settings/section_name.h"

namespace hv {
namespace {

bool equal_ignoring_ascii_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

enum class LineKind { Other, Header, Entry };

struct Line {
  std::size_t begin = 0;     // first byte
  std::size_t end = 0;       // end of content, before any "\r\n" or "\n"
  std::size_t next = 0;      // first byte of the next line
  LineKind kind = LineKind::Other;
  std::string_view name;     // header: the raw name; entry: the key
  std::string_view value;    // entry: the trimmed value
  std::string_view newline;  // "\r\n", "\n", "\r" ending the file, or "" on an unterminated last line
};

// Several editors begin a UTF-8 file with a byte-order mark. It is not part of the first line: it
// is read past, and kept where it is when the file is written.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::size_t text_start(std::string_view text) {
  return text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
}

Line classify(std::string_view text, std::size_t begin) {
  Line line;
  line.begin = begin;
  std::size_t newline = text.find('\n', begin);
  if (newline == std::string_view::npos) {
    line.end = line.next = text.size();
    // A carriage return at the very end ends the line as CR LF would, so the line reads the same
    // before and after a writer completes it.
    if (line.end > begin && text[line.end - 1] == '\r') --line.end;
  } else {
    line.next = newline + 1;
    line.end = newline;
    if (line.end > begin && text[line.end - 1] == '\r') --line.end;
  }
  line.newline = text.substr(line.end, line.next - line.end);

  const std::string_view content = trim_blanks(text.substr(begin, line.end - begin));
  if (content.empty() || content.front() == ';' || content.front() == '#') return line;
  if (content.front() == '[') {
    if (const auto close = content.rfind(']'); close != std::string_view::npos && close > 0) {
      line.kind = LineKind::Header;
      line.name = trim_blanks(content.substr(1, close - 1));
    }
    return line;
  }
  if (const auto equals = content.find('='); equals != std::string_view::npos) {
    line.kind = LineKind::Entry;
    line.name = trim_blanks(content.substr(0, equals));
    line.value = trim_blanks(content.substr(equals + 1));
  }
  return line;
}

std::vector<Line> split_lines(std::string_view text) {
  std::vector<Line> lines;
  for (std::size_t at = text_start(text); at < text.size();) {
    lines.push_back(classify(text, at));
    at = lines.back().next;
  }
  return lines;
}

// Index of the first header naming section, or lines.size().
std::size_t find_header(const std::vector<Line>& lines, std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == LineKind::Header && decode_section_name(lines[i].name) == section) return i;
  }
  return lines.size();
}

// The section's body: the lines after header up to the next header.
std::size_t section_end(const std::vector<Line>& lines, std::size_t header) {
  std::size_t i = header + 1;
  while (i < lines.size() && lines[i].kind != LineKind::Header) ++i;
  return i;
}

std::size_t find_entry(const std::vector<Line>& lines, std::size_t header, std::size_t end,
                       std::string_view key) {
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines[i].kind == LineKind::Entry && equal_ignoring_ascii_case(lines[i].name, key)) return i;
  }
  return end;
}

// A line end a writer may copy: not a lone carriage return ending the file, not none.
bool is_line_end(std::string_view newline) { return newline == "\r\n" || newline == "\n"; }

// The line ending the file already uses, so that the lines a writer adds match it.
std::string file_newline(const std::vector<Line>& lines) {
  for (const Line& line : lines) {
    if (is_line_end(line.newline)) return std::string(line.newline);
  }
  return "\n";
}

// Ends the text's last line, if it is not ended already, before a line is added after it.
void end_last_line(std::string& out, const std::string& newline) {
  if (out.ends_with('\n')) return;
  out += out.ends_with('\r') ? "\n" : newline;
}

void check_one_line(std::string_view what, std::string_view text) {
  if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
    throw std::invalid_argument(std::string(what) + " must not hold a line break or NUL byte");
  }
}

void check_key(std::string_view key) {
  check_one_line("a settings key", key);
  if (trim_blanks(key) != key || key.empty() || key.find('=') != std::string_view::npos ||
      key.front() == '[' || key.front() == ';' || key.front() == '#') {
    throw std::invalid_argument("unusable settings key \"" + std::string(key) + "\"");
  }
}

}  // namespace

std::optional<std::string> ini_find_value(std::string_view text, std::string_view section,
                                          std::string_view key) {
  const auto lines = split_lines(text);
  const std::size_t header = find_header(lines, section);
  if (header == lines.size()) return std::nullopt;
  const std::size_t end = section_end(lines, header);
  const std::size_t entry = find_entry(lines, header, end, key);
  if (entry == end) return std::nullopt;
  return std::string(lines[entry].value);
}

std::string ini_with_value(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view value) {
  check_key(key);
  check_one_line("a settings value", value);
  const std::string entry_text = std::string(key) + "=" + std::string(value);

  const auto lines = split_lines(text);
  const std::size_t header = find_header(lines, section);
  const std::string newline = file_newline(lines);
  std::string out;
  if (header == lines.size()) {
    out = text;
    if (out.size() > text_start(text)) {
      end_last_line(out, newline);
      out += newline;
    }
    out += "[" + encode_section_name(section) + "]" + newline + entry_text + newline;
    return out;
  }

  const std::size_t end = section_end(lines, header);
  const std::size_t entry = find_entry(lines, header, end, key);
  if (entry != end) {
    const Line& line = lines[entry];
    out.reserve(text.size() + entry_text.size());
    out.append(text.substr(0, line.begin));
    out.append(entry_text);
    out.append(text.substr(line.end));
    return out;
  }

  // A new key goes after the section's last key (comments below it may well introduce the next
  // section), in the line ending of the section's header where it has one.
  const std::string section_newline =
      is_line_end(lines[header].newline) ? std::string(lines[header].newline) : newline;
  std::size_t last = header;
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines[i].kind == LineKind::Entry) last = i;
  }
  const Line& after = lines[last];
  out.append(text.substr(0, after.next));
  end_last_line(out, section_newline);
  out += entry_text + section_newline;
  out.append(text.substr(after.next));
  return out;
}

std::string ini_without_section(std::string_view text, std::string_view section) {
  const auto lines = split_lines(text);
  std::string out(text.substr(0, text_start(text)));
  for (std::size_t i = 0; i < lines.size();) {
    if (lines[i].kind == LineKind::Header && decode_section_name(lines[i].name) == section) {
      i = section_end(lines, i);
      continue;
    }
    out.append(text.substr(lines[i].begin, lines[i].next - lines[i].begin));
    ++i;
  }
  return out;
}

}  // namespace hv
