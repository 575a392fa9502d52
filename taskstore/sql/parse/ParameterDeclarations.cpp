#include "taskstore/sql/parse/ParameterDeclarations.h"

#include <cctype>

#include "common/AsciiCase.h"
#include "common/Trim.h"

#include "taskstore/engine/ErrorMessage.h"

namespace taskstore::sql {
namespace {

bool blank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::string_view trim(std::string_view text) { return common::trimmed(text, common::whiteSpace); }

bool endsWithWord(std::string_view item, std::string_view word)
{
    return item.size() > word.size() && blank(item[item.size() - word.size() - 1])
        && common::equalIgnoringAsciiCase(item.substr(item.size() - word.size()), word);
}

[[noreturn]] void syntaxError(std::string_view near) { throw makeError<ErrorId::SyntaxError>(near); }

ParameterDeclaration declaration(std::string_view item)
{
    item = trim(item);
    ParameterDeclaration result;
    for (std::string_view word : {"OUTPUT", "OUT"}) {
        if (endsWithWord(item, word)) {
            result.output = true;
            item = trim(item.substr(0, item.size() - word.size()));
            break;
        }
    }
    std::size_t end = 0;
    while (end < item.size() && !blank(item[end]))
        ++end;
    result.name = std::string(item.substr(0, end));
    result.type = std::string(trim(item.substr(end)));
    if (result.name.size() < 2 || result.name[0] != '@' || result.type.empty())
        syntaxError(item.empty() ? "," : item);
    return result;
}

}  // namespace

std::vector<ParameterDeclaration> parseParameterDeclarations(std::string_view text)
{
    std::vector<ParameterDeclaration> result;
    if (trim(text).empty())
        return result;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (c == '(')
            ++depth;
        else if (c == ')' && --depth < 0)
            syntaxError(")");
        else if (c == ',' && depth == 0) {
            result.push_back(declaration(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    if (depth != 0)
        syntaxError("(");
    return result;
}

}  // namespace taskstore::sql
