#include "app/command_line.h"

#include <cwctype>

namespace app {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Upper(std::wstring_view text) {
  std::wstring out(text);
  for (wchar_t& c : out) c = static_cast<wchar_t>(std::towupper(c));
  return out;
}

// "/D=" or "-D=" at the start of `rest`.
bool StartsWithFolderSwitch(std::wstring_view rest) {
  return rest.size() >= 3 && (rest[0] == L'/' || rest[0] == L'-') &&
         std::towupper(rest[1]) == L'D' && rest[2] == L'=';
}

std::optional<std::uint32_t> ParseCount(std::wstring_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (wchar_t c : digits) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::wstring FolderText(std::wstring_view raw) {
  while (!raw.empty() && IsBlank(raw.back())) raw.remove_suffix(1);
  // Quotes cannot be part of a Windows path: a quoted folder is the same folder.
  if (raw.size() >= 2 && raw.front() == L'"' && raw.back() == L'"') raw = raw.substr(1, raw.size() - 2);
  std::wstring folder(raw);
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

class Parser {
 public:
  explicit Parser(CommandLine& out) : out_(out) {}

  void Fault(SwitchProblem problem, std::wstring_view typed) {
    if (out_.Good()) {
      out_.problem = problem;
      out_.badSwitch = typed;
    }
  }

  void Folder(std::wstring_view typed, std::wstring_view value) {
    out_.hostFolder = FolderText(value);
    if (out_.hostFolder.empty()) Fault(SwitchProblem::Empty, typed);
  }

  void Token(const std::wstring& token) {
    if (token.size() < 2 || (token[0] != L'/' && token[0] != L'-')) {
      return Fault(SwitchProblem::Unknown, token);
    }
    const std::size_t equals = token.find(L'=');
    const std::wstring name = Upper(token.substr(1, equals == std::wstring::npos ? equals : equals - 1));
    const bool hasValue = equals != std::wstring::npos;
    const std::wstring value = hasValue ? token.substr(equals + 1) : std::wstring();
    if (!hasValue && name == L"S") {
      Flag(out_.silent, token);
    } else if (!hasValue && name == L"PASSIVE") {
      Flag(out_.progressWindow, token);
    } else if (!hasValue && (name == L"?" || name == L"H")) {
      Flag(out_.help, token);
    } else if (hasValue && name == L"RETRIES") {
      if (out_.retries) return Fault(SwitchProblem::Twice, token);
      out_.retries = ParseCount(value);
      retriesTyped_ = token;
      if (!out_.retries) {
        out_.retries = 0;  // remembered as given, so a second one still counts as twice
        Fault(SwitchProblem::BadNumber, token);
      }
    } else if (hasValue && name == L"LOG") {
      if (!out_.logPath.empty()) return Fault(SwitchProblem::Twice, token);
      out_.logPath = value;
      if (value.empty()) Fault(SwitchProblem::Empty, token);
    } else if (hasValue && name == L"D") {
      // Quoted as a whole, so the fast path for /D= did not see it.
      Folder(token, value);
      folderTyped_ = token;
    } else {
      Fault(SwitchProblem::Unknown, token);
    }
  }

  void NotLast(const std::wstring& token) {
    if (!folderTyped_.empty()) Fault(SwitchProblem::NotLast, folderTyped_);
    else Token(token);
  }

  void Finish() {
    // msiexec's name for an install that shows only its progress.
    if (out_.progressWindow) out_.silent = true;
    if (out_.retries && !out_.silent) Fault(SwitchProblem::RetriesWithoutSilent, retriesTyped_);
  }

 private:
  void Flag(bool& flag, const std::wstring& token) {
    if (flag) Fault(SwitchProblem::Twice, token);
    flag = true;
  }

  CommandLine& out_;
  std::wstring retriesTyped_;
  std::wstring folderTyped_;
};

}  // namespace

std::wstring ReadArgument(std::wstring_view line, std::size_t& pos) {
  std::wstring argument;
  bool quoted = false;
  while (pos < line.size()) {
    std::size_t backslashes = 0;
    for (; pos < line.size() && line[pos] == L'\\'; ++pos) ++backslashes;
    if (pos < line.size() && line[pos] == L'"') {
      argument.append(backslashes / 2, L'\\');
      if (backslashes % 2 == 1 || (quoted && pos + 1 < line.size() && line[pos + 1] == L'"')) {
        argument += L'"';  // \" anywhere, "" inside quotes: one literal quote
        pos += backslashes % 2 == 1 ? 1 : 2;
      } else {
        quoted = !quoted;
        ++pos;
      }
      continue;
    }
    argument.append(backslashes, L'\\');
    if (pos == line.size() || (!quoted && IsBlank(line[pos]))) break;
    argument += line[pos++];
  }
  return argument;
}

CommandLine ParseCommandLine(std::wstring_view line) {
  CommandLine out;
  Parser parser(out);
  std::size_t pos = 0;
  while (true) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos == line.size()) break;
    const std::wstring_view rest = line.substr(pos);
    if (StartsWithFolderSwitch(rest)) {
      std::wstring_view typed = rest;
      while (!typed.empty() && IsBlank(typed.back())) typed.remove_suffix(1);
      parser.Folder(typed, rest.substr(3));
      break;
    }
    const std::wstring token = ReadArgument(line, pos);
    // A script's "%EXTRA%" with nothing in it arrives as "": no switch at all.
    if (!token.empty()) parser.NotLast(token);
  }
  parser.Finish();
  return out;
}

}  // namespace app
