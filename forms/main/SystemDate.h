#pragma once
// Today's date for the main window. Tests fix it; the program reads the system clock.
#include <QDate>
#include <functional>

namespace forms::SystemDate {

using Source = std::function<QDate()>;

QDate today();
// Replaces where today's date comes from (an empty source means the system clock); returns the
// previous source.
Source setSource(Source source);

}  // namespace forms::SystemDate
