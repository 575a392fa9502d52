#include "StatementPause.h"

#include <dlfcn.h>
#include <sql.h>
#include <sqlucode.h>
#include <unistd.h>

#include "db/Utf16.h"

namespace reliability {

namespace {
std::u16string& pausedText()
{
    static std::u16string text;
    return text;
}
}  // namespace

void pauseBeforeStatement(const std::string& text) { pausedText() = db::toUtf16(text); }

}  // namespace reliability

extern "C" SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT statement, SQLWCHAR* text, SQLINTEGER length)
{
    using Real = SQLRETURN (*)(SQLHSTMT, SQLWCHAR*, SQLINTEGER);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "SQLExecDirectW"));
    const std::u16string& paused = reliability::pausedText();
    if (!paused.empty() && length == static_cast<SQLINTEGER>(paused.size())
        && std::u16string_view(reinterpret_cast<const char16_t*>(text), paused.size()) == paused) {
        if (write(STDOUT_FILENO, reliability::pausedReport, sizeof reliability::pausedReport - 1) > 0) {
            char ignored = 0;
            while (read(STDIN_FILENO, &ignored, 1) != 0) {}
        }
        _exit(5);  // the parent went away without killing us
    }
    return real(statement, text, length);
}
