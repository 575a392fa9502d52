#pragma once
// The top-level report of a runtime error that no routine trapped: it shows the error's number
// and description, then ends the program with exit status 1.
#include <functional>
#include <string>

namespace gui {

using ErrorReportHandler = std::function<void(long number, const std::string& description)>;

// Reports the error through the installed handler. With the default handler this does not return.
void reportUntrappedError(long number, const std::string& description);

// Replaces what the report does (tests record it instead of ending the process) and returns the
// previous handler. An empty handler restores the default one.
ErrorReportHandler setErrorReportHandler(ErrorReportHandler handler);

}  // namespace gui
