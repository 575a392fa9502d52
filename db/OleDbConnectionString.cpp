#include "db/OleDbConnectionString.h"

#include <algorithm>

#include "common/AsciiCase.h"
#include "common/Trim.h"
#include "db/Wipe.h"
#include "runtime/RuntimeError.h"

namespace db {

namespace {

bool isBlank(char c) { return common::whiteSpace.find(c) != std::string_view::npos; }

bool isControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

std::string_view trimBlanks(std::string_view text) { return common::trimmed(text, common::whiteSpace); }

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

    // Reads one "keyword=value" pair; false at the end of the text. Empty pairs are skipped. The
    // value is read into the caller's buffer, which the caller wipes also when reading fails.
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
        readValue(value);
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

    void readValue(std::string& value)
    {
        skipBlanks();
        if (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '"'))
            return readQuotedValue(value);
        const std::size_t end = std::min(text_.find(';', pos_), text_.size());
        value.assign(trimBlanks(text_.substr(pos_, end - pos_)));
        pos_ = end;
    }

    void readQuotedValue(std::string& value)
    {
        const std::size_t start = pos_;
        const char quote = text_[pos_++];
        // The closing quote first, so that the value gets one buffer of its exact size: a grown
        // one would leave a copy behind, a larger one would cost the rest of the text per value.
        std::size_t length = 0;
        std::size_t end = pos_;
        for (;; ++end, ++length) {
            if (end >= text_.size())
                malformed(start, "a quoted value has no closing quote");
            if (text_[end] == quote) {
                if (end + 1 >= text_.size() || text_[end + 1] != quote)
                    break;
                ++end;  // a doubled quote stands for one
            }
        }
        value.clear();
        value.reserve(length);
        for (; pos_ < end; ++pos_) {
            value.push_back(text_[pos_]);
            if (text_[pos_] == quote)
                ++pos_;
        }
        ++pos_;  // the closing quote
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] != ';')
            malformed(pos_, "a quoted value is followed by more text before the next \";\"");
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
    const WipeOnExit wipedValue(value);
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

void appendOleDbValue(std::string& out, std::string_view value)
{
    const bool needsQuotes = !value.empty()
        && (isBlank(value.front()) || isBlank(value.back()) || std::any_of(value.begin(), value.end(), [](char c) {
                return c == ';' || c == '\'' || c == '"' || c == '=' || isControl(c);
            }));
    if (!needsQuotes) {
        out.append(value);
        return;
    }
    const char quote = value.front() == '\'' ? '"' : '\'';
    out.push_back(quote);
    for (const char c : value) {
        if (c == quote)
            out.push_back(quote);
        out.push_back(c);
    }
    out.push_back(quote);
}

}  // namespace db
