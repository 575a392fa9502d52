#include "TsqlCases.h"

#include <ostream>

namespace tsqltest {

// gtest names a case by its name rather than dumping its bytes (test listings show this too).
void PrintTo(const TsqlCase& c, std::ostream* out) { *out << c.name; }

}  // namespace tsqltest
