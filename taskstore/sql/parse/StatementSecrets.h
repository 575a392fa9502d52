#pragma once
// Which statements carry a password or a key, read as the parser reads them: words are tokens,
// so comments and line breaks between them (ALTER/**/LOGIN) change nothing, while a word inside
// a name or a string's text does not count; the text of string literals is read again as a
// batch, since it may be run as one (EXEC('...')).
#include <string_view>

namespace taskstore::sql {

// The first of the words SQL Server's traces look for (CREATE LOGIN, ALTER LOGIN, SP_PASSWORD,
// MASTER KEY, CREDENTIAL, PASSWORD, ...) that the statement holds, spelt as the traces spell it;
// empty when it holds none. A text the lexer cannot read is judged by its letters alone, every
// other character dropped, so that it errs on the side of hiding.
std::string_view secretWordIn(std::string_view statement);

}  // namespace taskstore::sql
