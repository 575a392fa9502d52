#pragma once
// T-SQL LIKE with %, _, [set] and [^set], under the text collation's folding.
#include <atomic>
#include <string_view>

#include "taskstore/sql/functions/ScanStop.h"

namespace taskstore::sql {

// Takes time proportional to the text's length times the pattern's, whatever the pattern, and
// looks at `stop` (when given) once per pattern element (throwing ScanStopped).
bool likeMatches(std::string_view text, std::string_view pattern, const std::atomic<bool>* stop = nullptr);

}  // namespace taskstore::sql
