#include "TsqlCases.h"

#include <ostream>

namespace tsqltest {

// gtest prints a failing case by its text rather than its bytes.
void PrintTo(const TsqlCase& c, std::ostream* out) { *out << c.sql; }

}  // namespace tsqltest
