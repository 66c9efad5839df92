#pragma once

namespace pelorin {

// 1 sleep, 2 hibernate, 3 shut down and power off, 4 reboot; any other n only enables the
// shutdown privilege. Failures are silent.
void PowerCommand(int n);

}  // namespace pelorin
