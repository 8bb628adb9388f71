// Natively the test component has no windows.
#include "player/tests/test_component/test_component.h"

namespace test_component {

void platform_start() {}
void platform_stop() {}

}  // namespace test_component
