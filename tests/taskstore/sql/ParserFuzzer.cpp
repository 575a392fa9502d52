// libFuzzer target: any batch text, and any parameter list of a statement with parameters, must
// either parse or raise SqlError, never crash or throw anything else.
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/parse/ParameterDeclarations.h"
#include "taskstore/sql/parse/Parser.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        taskstore::sql::parseBatch(text);
    } catch (const taskstore::SqlError&) {}
    try {
        taskstore::sql::parseParameterDeclarations(text);
    } catch (const taskstore::SqlError&) {}
    return 0;
}
