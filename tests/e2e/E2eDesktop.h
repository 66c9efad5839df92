#pragma once
// The shell's desktop, which Wine does not have: FakeDesktop.exe plays it for the whole run,
// since Pelorin that finds no desktop list reports it and restarts itself. A scenario may end
// it, or start it afresh (a shell restart, and its items back at their first places).
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "E2eSupport.h"

namespace pelorin::e2e {

class TStandInDesktop {
 public:
  // Starts FakeDesktop.exe and waits until its window carries its title; false if it did not.
  bool Start();
  // Closes it and waits for its end; false if it did not end in time.
  bool Stop();
  bool Restart() { return Stop() && Start(); }
  bool Running() const { return Process != nullptr; }

  HWND Window() const { return Progman; }
  HWND ListView() const { return List; }
  DWORD Pid() const { return Process != nullptr ? Process->Pid() : 0; }

 private:
  std::unique_ptr<TPelorin> Process;  // any program: started, waited for and ended the same way
  HWND Progman = nullptr;
  HWND List = nullptr;
};

// An item of the stand-in's list view, read through memory of its process as the desktop's
// list must be read; and moved the same way (to any place, negative ones included).
struct TRemoteItem {
  std::wstring Text;
  POINT Position{};
};
std::optional<TRemoteItem> ReadRemoteItem(int index);
bool MoveRemoteItem(int index, POINT to);

// The one of the run, started before the first scenario and ended after the last.
TStandInDesktop& StandIn();

}  // namespace pelorin::e2e
