#pragma once
// Lengths and positions of text as SQL Server counts them under a collation without supplementary
// character support: in UTF-16 code units, so a character outside the Basic Multilingual Plane
// counts two. The engine keeps text as UTF-8; these functions measure and cut it in those units.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "taskstore/sql/functions/ScanStop.h"

namespace taskstore::sql {

// UTF-16 code units of a UTF-8 text.
std::size_t utf16Units(std::string_view utf8);

// The units [first, first + count) of a text (first counted from 0). A surrogate pair cut in
// half at either edge leaves its half as U+FFFD, one unit like the half it stands for, so the
// length of the result is what SQL Server's would be.
std::string utf16Slice(std::string_view utf8, std::size_t first, std::size_t count);

// CHARINDEX: the 1-based unit position of the first occurrence of `pattern` in `text` at or after
// unit `start` (1-based; below 1 counts as 1), compared under the text collation's folding; 0 when
// there is none or the pattern is empty. Linear in both lengths; looks at `stop` as it goes and
// throws ScanStopped once it is set.
std::int64_t utf16Find(std::string_view pattern, std::string_view text, std::int64_t start,
                       const std::atomic<bool>* stop = nullptr);

// The UTF-16LE bytes of a text (what CONVERT(varbinary, N'...') gives), and back: an odd last
// byte is dropped, an unpaired surrogate becomes U+FFFD.
std::string utf16leBytes(std::string_view utf8);
std::string textFromUtf16le(std::string_view bytes);

}  // namespace taskstore::sql
