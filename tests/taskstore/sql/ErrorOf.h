#pragma once
// The number of the SqlError an action throws, for tests that expect one; 0 when it throws none.
#include "taskstore/engine/Engine.h"

#include <functional>

namespace tsqltest {

inline int errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const taskstore::SqlError& error) {
        return error.number;
    }
    return 0;
}

}  // namespace tsqltest
