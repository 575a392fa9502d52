#pragma once
// Builds a SqlError from its catalogue entry, its text's slots filled with the arguments given.
#include <array>
#include <concepts>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "common/UtfCodec.h"
#include "taskstore/engine/Engine.h"
#include "taskstore/engine/ErrorCatalog.h"

namespace taskstore {

constexpr bool isSlot(std::string_view text, std::size_t at)
{
    return text[at] == '%' && at + 1 < text.size() && (text[at + 1] == 's' || text[at + 1] == 'd');
}

// Whether arguments, integers where `integral` says so, fill exactly the slots of `text`.
template <std::size_t count>
consteval bool argumentsFit(std::string_view text, const std::array<bool, count>& integral)
{
    std::size_t next = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!isSlot(text, at))
            continue;
        if (next == count || (text[at + 1] == 'd' && !integral[next]))
            return false;
        ++next;
        ++at;
    }
    return next == count;
}

// Arguments quote client text (a literal, the rest of a batch, a name) that may be of any length;
// each is cut to this many bytes, between characters, so a message stays readable.
inline constexpr std::size_t maxArgumentBytes = 1000;

// Each slot in turn takes the next argument, clipped; one left without an argument stays empty.
// The arguments' own text is never read for slots.
inline std::string fillSlots(std::string_view text, std::span<const std::string> arguments)
{
    std::string message;
    message.reserve(text.size());
    std::size_t next = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!isSlot(text, at)) {
            message += text[at];
            continue;
        }
        if (next < arguments.size())
            message += common::utf8Prefix(arguments[next], maxArgumentBytes);
        ++next;
        ++at;
    }
    return message;
}

template <typename Argument>
std::string argumentText(const Argument& argument)
{
    if constexpr (std::integral<Argument>)
        return std::to_string(argument);
    else
        return std::string(std::string_view(argument));
}

// The error `id` raised at `line` of its batch. The arguments must fit the text's slots: the
// compiler refuses a missing one, an extra one or text for a %d.
template <ErrorId id, typename... Arguments>
SqlError makeErrorAt(int line, const Arguments&... arguments)
{
    constexpr const ErrorEntry& entry = errorEntry(id);
    static_assert(argumentsFit(entry.text, std::array<bool, sizeof...(Arguments)>{std::integral<Arguments>...}),
                  "the arguments do not fit the slots of the error's text");
    const std::array<std::string, sizeof...(Arguments)> texts{argumentText(arguments)...};
    return SqlError{entry.number, entry.state, entry.severity, fillSlots(entry.text, texts), line};
}

// The error `id` on the batch's first line.
template <ErrorId id, typename... Arguments>
SqlError makeError(const Arguments&... arguments)
{
    return makeErrorAt<id>(1, arguments...);
}

}  // namespace taskstore
