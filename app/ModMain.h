#pragma once
// The start-up module: the start-up routine, and the shared connection Conn (declared with the
// connection routines in db/SharedConnection.h).
#include "db/SharedConnection.h"

namespace ModMain {

// Shows a fresh login window modeless and returns at once; from then on window events drive the
// program.
void Main();

}  // namespace ModMain
