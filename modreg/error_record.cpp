#include "modreg/error_record.h"

#include "modreg/error_texts.h"

namespace modreg {

void ClearRegError(RegErrorRecordT& record) {
  record.Number = 0;
  record.Source.clear();
  record.Description.clear();
}

void SetRegErrorCode(RegErrorRecordT& record, std::int32_t code) {
  record.Number = code;
  record.Source = kErrorSource;
  record.Description = ModuleCodeDescription(code);
}

void SetRegErrorWin32(RegErrorRecordT& record, std::int32_t status) {
  record.Number = status;
  record.Source = kErrorSource;
  record.Description = Win32StatusDescription(status);
}

void ShowError(platform::Dialogs& dialogs, platform::Process& process,
               const RuntimeError& current, const std::wstring& prefix) {
  const std::wstring text = ErrorReportText(prefix, current.Line(), current.Number(),
                                            current.Description(), current.Source());
  dialogs.MessageBox(text, platform::Icon::Critical, platform::Buttons::Ok, L"");
  process.ResetMousePointer();
}

}  // namespace modreg
