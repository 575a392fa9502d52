// libFuzzer target: any batch text must either parse or raise SqlError, never crash or throw
// anything else.
#include "taskstore/engine/Engine.h"
#include "taskstore/sql/parse/Parser.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        taskstore::sql::parseBatch(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const taskstore::SqlError&) {}
    return 0;
}
