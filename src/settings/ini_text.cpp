#include "settings/ini_text.h"

#include <optional>
#include <stdexcept>

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
  std::string_view value;    // entry: the value, without the blanks and quotation marks around it
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
    if (line.value.size() >= 2 && line.value.front() == '"' && line.value.back() == '"') {
      line.value = line.value.substr(1, line.value.size() - 2);
    }
  }
  return line;
}

// The text's lines, one at a time: what a file holds costs memory for its bytes, never for its
// lines (a file of sixteen million empty lines is no more than its sixteen megabytes).
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text), at_(text_start(text)) {}
  std::optional<Line> next() {
    if (at_ >= text_.size()) return std::nullopt;
    Line line = classify(text_, at_);
    at_ = line.next;
    return line;
  }

 private:
  std::string_view text_;
  std::size_t at_;
};

bool names_section(const Line& line, std::string_view section) {
  return line.kind == LineKind::Header && decode_section_name(line.name) == section;
}

// What a writer needs to know of the text, gathered in one pass: the first header naming the
// section, the key's line in its body or the body's last entry, and the file's line ending.
struct SectionPlace {
  std::optional<Line> header;
  std::optional<Line> entry;
  Line last_entry;  // the header where the body has none
  std::string newline = "\n";
};

// A line end a writer may copy: not a lone carriage return ending the file, not none.
bool is_line_end(std::string_view newline) { return newline == "\r\n" || newline == "\n"; }

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

SectionPlace find_place(std::string_view text, std::string_view section, std::string_view key) {
  SectionPlace place;
  bool newline_known = false, in_body = false;
  Lines lines(text);
  while (const auto line = lines.next()) {
    if (!newline_known && is_line_end(line->newline)) place.newline = line->newline, newline_known = true;
    if (line->kind == LineKind::Header) {
      if (in_body) break;
      if (!place.header && names_section(*line, section)) place.header = place.last_entry = *line, in_body = true;
      continue;
    }
    if (in_body && line->kind == LineKind::Entry) {
      if (equal_ignoring_ascii_case(line->name, key)) {
        place.entry = *line;
        break;
      }
      place.last_entry = *line;
    }
  }
  while (!newline_known) {  // the line ending of a line after the section, if any
    const auto line = lines.next();
    if (!line) break;
    if (is_line_end(line->newline)) place.newline = line->newline, newline_known = true;
  }
  return place;
}

// A value with blanks at either end, or one that begins with a quotation mark, is written between
// quotation marks, which a reader takes off again: blanks around a value a person typed mean
// nothing, those a program stored do.
std::string value_text(std::string_view value) {
  const bool quoted = !value.empty() && (is_blank(value.front()) || is_blank(value.back()) || value.front() == '"');
  return quoted ? "\"" + std::string(value) + "\"" : std::string(value);
}

}  // namespace

std::optional<std::string> ini_find_value(std::string_view text, std::string_view section,
                                          std::string_view key) {
  const SectionPlace place = find_place(text, section, key);
  if (!place.entry) return std::nullopt;
  return std::string(place.entry->value);
}

std::string ini_with_value(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view value) {
  check_key(key);
  check_one_line("a settings value", value);
  const std::string entry_text = std::string(key) + "=" + value_text(value);

  const SectionPlace place = find_place(text, section, key);
  const std::string& newline = place.newline;
  std::string out;
  if (!place.header) {
    out = text;
    if (out.size() > text_start(text)) {
      end_last_line(out, newline);
      out += newline;
    }
    out += "[" + encode_section_name(section) + "]" + newline + entry_text + newline;
    return out;
  }

  if (place.entry) {
    const Line& line = *place.entry;
    out.reserve(text.size() + entry_text.size());
    out.append(text.substr(0, line.begin));
    out.append(entry_text);
    out.append(text.substr(line.end));
    return out;
  }

  // A new key goes after the section's last key (comments below it may well introduce the next
  // section), in the line ending of the section's header where it has one.
  const std::string section_newline =
      is_line_end(place.header->newline) ? std::string(place.header->newline) : newline;
  const Line& after = place.last_entry;
  out.reserve(text.size() + entry_text.size() + 2);
  out.append(text.substr(0, after.next));
  end_last_line(out, section_newline);
  out += entry_text + section_newline;
  out.append(text.substr(after.next));
  return out;
}

std::string ini_without_section(std::string_view text, std::string_view section) {
  std::string out(text.substr(0, text_start(text)));
  out.reserve(text.size());
  bool dropping = false;
  Lines lines(text);
  while (const auto line = lines.next()) {
    if (line->kind == LineKind::Header) dropping = names_section(*line, section);
    if (!dropping) out.append(text.substr(line->begin, line->next - line->begin));
  }
  return out;
}

}  // namespace hv
