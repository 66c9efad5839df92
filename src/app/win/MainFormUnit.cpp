// The main block: a power-command start carries out its command and ends; any other start
// runs Pelorin until it is closed.
#include <windows.h>

#include <string>
#include <vector>

#include "app/StartUp.h"
#include "common/win/Fatal.h"
#include "app/win/PelorinApp.h"
#include "app/win/SingleInstance.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace pelorin;
  std::vector<std::wstring> args = SplitCommandLine(::GetCommandLineW());
  std::wstring exePath = ModulePath();
  TStartMode mode = ParseStartMode(std::vector<std::wstring>(args.begin() + (args.empty() ? 0 : 1), args.end()));
  if (mode.PowerCommand != 0) {
    PowerStart(mode.PowerCommand, FileNameOf(exePath));
    return 0;
  }
  try {
    TPelorinApp app(instance, {exePath, {}}, mode);
    return app.Run();
  } catch (...) {
    UnexpectedException();
    return 0;
  }
}
