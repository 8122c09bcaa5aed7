// The platform interfaces themselves carry no code; their implementations are
// in linux_*.cpp and doubles.cpp. This unit keeps the library non-empty.
#include "platform/platform.h"
