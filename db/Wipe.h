#pragma once
// The tool's database layer wipes its copies of the password with the helpers both sides share.
#include "common/Wipe.h"

namespace db {

using common::wipe;
using common::WipeOnExit;

}  // namespace db
