// Builds without a serial port (the native ones) send frames nowhere until a
// sink is set.
#include "component/display/frame_sink.h"

frame_sink* default_frame_sink() { return nullptr; }
