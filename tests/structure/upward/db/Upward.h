#pragma once
// A database header that reaches up into the windows: the layer check must report it.
#include "forms/main/frmMain.h"
#include "runtime/RuntimeError.h"
