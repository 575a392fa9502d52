#pragma once
// The bars the figures are held to, one target line each at the end of the report.
#include <vector>

#include "bench/BenchFigures.h"
#include "bench/LinkFigures.h"
#include "bench/SizeFigures.h"

namespace bench {

// Every target the measured figures allow: per size, over the link, the start, and the growth
// from 100,000 to 1,000,000 rows when both were measured.
std::vector<Target> targetsOf(const std::vector<SizeFigures>& sizes, const std::vector<LinkFigure>& link,
                              double toolStart, double plainStart);

}  // namespace bench
