#pragma once
// The windows ask for 宋体; where no font of that name exists, a Song-style family stands in.

namespace gui {

// Maps 宋体 and SimSun to the installed Song-style family (on Linux: "AR PL UMing CN").
// Must run after the QApplication is created.
void installFontSubstitutions();

}  // namespace gui
