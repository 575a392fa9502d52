#pragma once
// OLE DB (data link) connection strings: reading them with the rules ADO applies, and writing a
// value so that the reader gives it back exactly.
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace db {

class OleDbConnectionString {
public:
    // Reads "keyword=value;..." pairs. Keywords are case-insensitive; blanks around keywords and
    // unquoted values are dropped; '...' and "..." enclose a value, the enclosing quote doubled
    // inside; "==" in a keyword is a literal "=". A repeated keyword keeps its last value, except
    // Provider, which keeps its first. Throws runtime::RuntimeError on a malformed string.
    static OleDbConnectionString parse(std::string_view text);

    // The values may hold a password: they are wiped when the object ends.
    OleDbConnectionString(OleDbConnectionString&&) = default;
    OleDbConnectionString& operator=(OleDbConnectionString&&) = delete;
    ~OleDbConnectionString();

    // The value of a keyword (any letter case), if the string had it.
    std::optional<std::string> value(std::string_view keyword) const;
    // The value of the first keyword of the list that the string had, or null. The value stays
    // this object's, to be wiped with it: the caller copies it once, where it is to be kept.
    const std::string* firstOf(std::initializer_list<std::string_view> keywords) const;

private:
    OleDbConnectionString() = default;

    std::map<std::string, std::string> values_;  // keyword in lower case -> value
};

// Appends the value as it must be written after "keyword=": unchanged when the reader returns it
// as is, otherwise enclosed in quotes. Written straight into `out`, so that a password leaves no
// copy of its own; `out` needs room for 2 * value.size() + 2 more bytes to keep its buffer.
void appendOleDbValue(std::string& out, std::string_view value);

}  // namespace db
