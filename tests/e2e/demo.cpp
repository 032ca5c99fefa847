#include "demo.h"

#include "host.h"
#include "payload_check.h"
#include "screenshot.h"
#include "updater_process.h"

namespace e2e {

using namespace std::chrono_literals;

void SeedHost(const std::wstring& hostRoot) {
  WriteMakerPath(hostRoot);
  PlaceHostExe(hostRoot + L"Quadrivo\\");
  Log(L"host install: maker key strPath = " + hostRoot + L", " + hostRoot +
      L"Quadrivo\\Quadrivo.exe");
}

void RunDemo(const Options& o) {
  SeedHost(o.hostFolder);
  const std::wstring target = o.hostFolder + L"Quadrivo\\Lumarso2015.zip";
  DeleteFileW(target.c_str());
  UpdaterProcess updater(o.exe, o.hostFolder);
  const MainWindowView main = updater.WaitForMainWindow(60s);
  auto shot = [&](HWND w, const wchar_t* name) {
    if (o.screenshotDir.empty()) return;
    Sleep(500);
    SaveScreenshot(w, JoinPath(o.screenshotDir, name));
  };
  shot(main.window, L"window.bmp");
  Log(L"pressing \"" + main.ButtonCaption() + L"\"");
  Click(main.button);
  const MessageBoxView box = updater.WaitForMessageBox(120s);
  E2E_CHECK(box.text == L"Aggiornamento terminato!", "unexpected box " + Quote(box.text));
  shot(box.box, L"success.bmp");
  E2E_CHECK(box.Press(IDOK), "the success box did not close");
  const auto code = updater.WaitForExit(30s);
  E2E_CHECK(code.has_value(), "the updater did not end after the success box");
  const PayloadComparison c = ComparePayload(o.exe, target);
  E2E_CHECK(c.same, "the written manual differs from the exe's resource");
  Log(L"manual written to " + target + L" (" + std::to_wstring(c.fileSize) +
      L" bytes, equal to the exe's resource); exit code " + std::to_wstring(*code));
}

}  // namespace e2e
