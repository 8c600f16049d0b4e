#pragma once
// System sounds after status messages.
#include "platform/runtime/value.h"

// Plays a system sound alias asynchronously ("SystemHand" after errors, "SystemExclamation"
// after warnings, "SystemAsterisk" after success); anything but a string means
// "SystemExclamation". An alias that cannot be played sounds a plain tone instead.
// Returns 0.
int TON(const rt::Value& sound = rt::Value());
