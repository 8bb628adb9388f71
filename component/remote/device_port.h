// Windows only. The device's one serial port object, shared by port opening
// (OpenForWindow, ClosePort), the command receiver (ReadBytes) and the
// display (WriteBytes). It exists from load to unload.
#pragma once

#include "serial/serial.h"

CSerialWnd& device_port();
