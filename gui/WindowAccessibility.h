#pragma once
// The tool's windows are plain widgets, which Qt's accessibility reports as a bare client area (a
// "filler" over AT-SPI); screen readers announce and follow a top-level window by the frame role.
namespace gui {

// Makes every top-level plain widget a window for screen readers. Call once, after the
// QApplication exists and before any window is shown.
void installWindowAccessibility();

}  // namespace gui
