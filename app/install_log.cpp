#include "app/install_log.h"

#include "platform/decimal.h"

namespace app {

namespace {

void Append(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsHigh(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::string ToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = static_cast<char32_t>(text[i]);
    if (IsHigh(c) && i + 1 < text.size() && IsLow(static_cast<char32_t>(text[i + 1]))) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
    } else if (IsHigh(c) || IsLow(c) || c > 0x10FFFF) {
      c = 0xFFFD;
    }
    Append(out, c);
  }
  return out;
}

platform::Win32Status InstallLog::Open(const std::wstring& path) {
  if (file_ == nullptr) return platform::kErrorInvalidHandle;
  const platform::Win32Status status = file_->Open(path);
  open_ = status == platform::kErrorSuccess;
  return status;
}

void InstallLog::Line(const std::wstring& text) noexcept {
  if (!open_) return;
  try {
    const platform::LocalTime t = clock_->Now();
    // "2015-01-31 09:05:07.042  "
    std::wstring line;
    const struct {
      int value;
      std::size_t digits;
      wchar_t after;
    } fields[] = {{t.year, 4, L'-'},   {t.month, 2, L'-'},  {t.day, 2, L' '},        {t.hour, 2, L':'},
                  {t.minute, 2, L':'}, {t.second, 2, L'.'}, {t.millisecond, 3, L' '}};
    for (const auto& field : fields) {
      platform::AppendDecimal(line, field.value, field.digits);
      line += field.after;
    }
    line += L' ';
    // Line breaks inside a text would split one step over several lines.
    const std::size_t start = line.size();
    line += text;
    for (std::size_t i = start; i < line.size(); ++i) {
      if (line[i] == L'\r' || line[i] == L'\n') line[i] = L' ';
    }
    // One write per line: two runs appending to the same log never mix halves.
    (void)file_->Append(ToUtf8(line) + "\r\n");
  } catch (...) {
    // Out of memory while formatting: the line is lost, the install goes on.
  }
}

std::wstring InstallLog::Error(platform::Win32Status status) {
  std::wstring text = L"error " + platform::Decimal(status);
  const std::wstring message = messages_ != nullptr ? messages_->Text(status) : std::wstring();
  if (!message.empty()) text += L" (" + message + L")";
  return text;
}

}  // namespace app
