#pragma once
// The width each task list column gets from the grid's width.

namespace forms {

// The grid's width in twips, taken as single precision, divided by 5, less 11, rounded to the
// nearest whole twip (a half to the even neighbour). Throws runtime::RuntimeError Overflow when the
// width is not a finite single-precision number or the result does not fit 32 bits.
int taskColumnWidth(double gridWidthTwips);

}  // namespace forms
