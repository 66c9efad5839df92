#include "input/InputCatalogue.h"

namespace pelorin {

int CommandIndexOf(std::wstring_view commandText) {
  for (int i = cmdDoubleClick; i <= cmdToggleCheckedInputs; ++i)
    if (commandText == CommandCatalogue[i]) return i;
  return 0;
}

}  // namespace pelorin
