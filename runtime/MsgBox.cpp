#include "runtime/MsgBox.h"

#include "runtime/RuntimeError.h"

namespace runtime {

namespace {
MsgBoxPresenter& presenter()
{
    static MsgBoxPresenter current;
    return current;
}
}  // namespace

const std::string& AppTitle()
{
    static const std::string title = "直接清除异常任务";
    return title;
}

int MsgBox(const std::string& text, int style, const std::string& title)
{
    if (!presenter())
        throw RuntimeError(ErrorNumber::InvalidProcedureCall, "No message box presenter is installed.");
    return presenter()(text, style, title.empty() ? AppTitle() : title);
}

MsgBoxPresenter setMsgBoxPresenter(MsgBoxPresenter next) { return std::exchange(presenter(), std::move(next)); }

}  // namespace runtime
