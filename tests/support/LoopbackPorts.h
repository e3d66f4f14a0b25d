#pragma once

#include <netinet/in.h>

#include "support/LoopbackListener.h"  // SilentListener, FreeLoopbackPort

// 127.0.0.1 and the port, ready for bind or connect.
sockaddr_in LoopbackAddress(int port);
// True once something accepts connections on 127.0.0.1:port.
bool WaitForListener(int port, int timeout_ms);
