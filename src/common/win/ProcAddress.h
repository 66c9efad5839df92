#pragma once
#include <windows.h>

namespace pelorin {

// An entry point looked up at run time, typed. The plain function pointer in between is the
// type GCC accepts as a go-between without a cast warning.
template <typename F>
void LoadProc(HMODULE module, const char* name, F& entry) {
  entry = module != nullptr ? reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)))
                            : nullptr;
}

}  // namespace pelorin
