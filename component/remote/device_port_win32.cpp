#include "component/remote/device_port.h"

namespace {
CSerialWnd g_device_port;
}  // namespace

CSerialWnd& device_port() { return g_device_port; }
