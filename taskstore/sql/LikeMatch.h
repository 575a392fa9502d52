#pragma once
// T-SQL LIKE with %, _, [set] and [^set], under the text collation's folding.
#include <atomic>
#include <string_view>

namespace taskstore::sql {

// Thrown by likeMatches once its stop flag is set.
struct LikeStopped {};

// Takes time proportional to the text's length times the pattern's, whatever the pattern, and
// looks at `stop` (when given) once per pattern element.
bool likeMatches(std::string_view text, std::string_view pattern, const std::atomic<bool>* stop = nullptr);

}  // namespace taskstore::sql
