#pragma once
// ImageList1: the toolbar's four 16 x 16 pictures, kept as XPM in resources/main. Silver
// (192, 192, 192) is the mask colour and shows through as transparent.
#include <QIcon>
#include <QPixmap>

namespace forms::ImageList1 {

inline constexpr int Count = 4;
namespace Index {
inline constexpr int Login = 1;    // a small red emblem
inline constexpr int Delete = 2;   // a red diagonal cross; also the window's icon
inline constexpr int Refresh = 3;  // a green arrow curving back to the left
inline constexpr int Exit = 4;     // an open door with an arrow pointing in
}  // namespace Index

// The picture at a 1-based index, with the mask applied.
QPixmap picture(int index);
QIcon icon(int index);

}  // namespace forms::ImageList1
