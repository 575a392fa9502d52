#include "OdbcStringReader.h"

namespace reliability {

std::optional<std::multimap<std::string, std::string>> readOdbcString(std::string_view text)
{
    std::multimap<std::string, std::string> pairs;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t equals = text.find('=', at);
        if (equals == std::string_view::npos)
            return std::nullopt;
        std::string key(text.substr(at, equals - at));
        for (char& c : key)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        std::size_t end;
        std::string value;
        if (equals + 1 < text.size() && text[equals + 1] == '{') {
            end = text.find("};", equals + 2);
            if (end == std::string_view::npos)
                return std::nullopt;
            value = text.substr(equals + 2, end - equals - 2);
            end += 1;
        } else {
            end = text.find(';', equals + 1);
            if (end == std::string_view::npos)
                end = text.size();
            value = text.substr(equals + 1, end - equals - 1);
        }
        pairs.emplace(std::move(key), std::move(value));
        at = end + 1;
    }
    return pairs;
}

}  // namespace reliability
