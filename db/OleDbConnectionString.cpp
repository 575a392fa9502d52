#include "db/OleDbConnectionString.h"

#include <algorithm>

#include "common/AsciiCase.h"
#include "db/Wipe.h"
#include "runtime/RuntimeError.h"

namespace db {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool isControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Positions are counted from 1 for the user; the text itself is not quoted back because the
// faulty part may be a password.
[[noreturn]] void malformed(std::size_t position, std::string_view what)
{
    throw runtime::RuntimeError(runtime::ErrorNumber::ProviderFailure,
                                "The connection string is not valid at character " + std::to_string(position + 1) + ": "
                                    + std::string(what) + ".");
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    // Reads one "keyword=value" pair; false at the end of the text. Empty pairs are skipped.
    bool next(std::string& keyword, std::string& value)
    {
        while (true) {
            skipBlanks();
            if (pos_ >= text_.size())
                return false;
            if (text_[pos_] != ';')
                break;
            ++pos_;
        }
        const std::size_t start = pos_;
        keyword = readKeyword(start);
        value = readValue();
        return true;
    }

private:
    void skipBlanks()
    {
        while (pos_ < text_.size() && isBlank(text_[pos_]))
            ++pos_;
    }

    std::string readKeyword(std::size_t start)
    {
        std::string keyword;
        while (true) {
            if (pos_ >= text_.size() || text_[pos_] == ';')
                malformed(start, "a part has no \"=\" between keyword and value");
            if (text_[pos_] == '=') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '=') {
                    keyword.push_back('=');
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            keyword.push_back(text_[pos_++]);
        }
        const std::string_view trimmed = trimBlanks(keyword);
        if (trimmed.empty())
            malformed(start, "a value has no keyword");
        return std::string(trimmed);
    }

    std::string readValue()
    {
        skipBlanks();
        if (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '"'))
            return readQuotedValue();
        const std::size_t end = std::min(text_.find(';', pos_), text_.size());
        std::string value(trimBlanks(text_.substr(pos_, end - pos_)));
        pos_ = end;
        return value;
    }

    std::string readQuotedValue()
    {
        const std::size_t start = pos_;
        const char quote = text_[pos_++];
        std::string value;
        value.reserve(text_.size() - pos_);  // one buffer: a grown one would leave a copy behind
        while (true) {
            if (pos_ >= text_.size())
                malformed(start, "a quoted value has no closing quote");
            if (text_[pos_] == quote) {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == quote) {
                    value.push_back(quote);
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                break;
            }
            value.push_back(text_[pos_++]);
        }
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] != ';')
            malformed(pos_, "a quoted value is followed by more text before the next \";\"");
        return value;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace

OleDbConnectionString OleDbConnectionString::parse(std::string_view text)
{
    OleDbConnectionString result;
    Reader reader(text);
    std::string keyword;
    std::string value;
    while (reader.next(keyword, value)) {
        std::string key = common::asciiLower(keyword);
        const auto [entry, added] = result.values_.try_emplace(std::move(key), std::move(value));
        if (!added && entry->first != "provider") {
            wipe(entry->second);
            entry->second = std::move(value);
        }
        wipe(value);
    }
    return result;
}

OleDbConnectionString::~OleDbConnectionString()
{
    for (auto& entry : values_)
        wipe(entry.second);
}

std::optional<std::string> OleDbConnectionString::value(std::string_view keyword) const
{
    if (const std::string* found = firstOf({keyword}))
        return *found;
    return std::nullopt;
}

const std::string* OleDbConnectionString::firstOf(std::initializer_list<std::string_view> keywords) const
{
    for (const std::string_view keyword : keywords) {
        if (const auto found = values_.find(common::asciiLower(keyword)); found != values_.end())
            return &found->second;
    }
    return nullptr;
}

std::string quoteOleDbValue(std::string_view value)
{
    const bool needsQuotes = !value.empty()
        && (isBlank(value.front()) || isBlank(value.back()) || std::any_of(value.begin(), value.end(), [](char c) {
                return c == ';' || c == '\'' || c == '"' || c == '=' || isControl(c);
            }));
    if (!needsQuotes)
        return std::string(value);
    const char quote = value.front() == '\'' ? '"' : '\'';
    std::string out;
    out.reserve(2 * value.size() + 2);  // one buffer: the value may be a password
    out.push_back(quote);
    for (const char c : value) {
        if (c == quote)
            out.push_back(quote);
        out.push_back(c);
    }
    out.push_back(quote);
    return out;
}

}  // namespace db
