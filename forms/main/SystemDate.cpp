#include "forms/main/SystemDate.h"

#include <utility>

namespace forms::SystemDate {

namespace {
Source& current()
{
    static Source source;
    return source;
}
}  // namespace

QDate today() { return current() ? current()() : QDate::currentDate(); }

Source setSource(Source source) { return std::exchange(current(), std::move(source)); }

}  // namespace forms::SystemDate
