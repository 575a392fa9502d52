#include "gui/EventGuard.h"

#include <exception>
#include <new>

#include "gui/ErrorReport.h"
#include "runtime/RuntimeError.h"

namespace gui {

namespace {
// Numbers for failures that did not come as runtime errors of our layers.
constexpr long InternalError = 51;
}  // namespace

void runGuarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const runtime::RuntimeError& error) {
        reportUntrappedError(error.Number(), error.Description());
    } catch (const std::bad_alloc&) {
        reportUntrappedError(runtime::ErrorNumber::OutOfMemory, "Out of memory");
    } catch (const std::exception& error) {
        reportUntrappedError(InternalError, error.what());
    } catch (...) {
        reportUntrappedError(InternalError, "Unknown error");
    }
}

}  // namespace gui
