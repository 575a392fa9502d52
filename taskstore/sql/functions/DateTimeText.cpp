#include "taskstore/sql/functions/DateTimeText.h"

#include "common/AsciiCase.h"
#include "taskstore/sql/errors/SqlErrors.h"
#include "taskstore/store/StoredDateTime.h"

#include <array>
#include <optional>
#include <span>
#include <vector>

namespace taskstore::sql {
namespace {

struct Piece {
    enum class Kind { Number, Word, Symbol };
    Kind kind;
    std::string_view text;

    bool isSymbol(char c) const { return kind == Kind::Symbol && text.size() == 1 && text[0] == c; }
    int number() const
    {
        int value = 0;
        for (char c : text)
            value = value * 10 + (c - '0');
        return value;
    }
};

// Digit runs, letter runs and single symbols; blanks only separate.
std::vector<Piece> piecesOf(std::string_view text)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const auto letter = [](char c) { return common::asciiLower(c) >= 'a' && common::asciiLower(c) <= 'z'; };
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        Piece::Kind kind = Piece::Kind::Symbol;
        if (digit(text[i])) {
            kind = Piece::Kind::Number;
            while (end < text.size() && digit(text[end]))
                ++end;
        } else if (letter(text[i])) {
            kind = Piece::Kind::Word;
            while (end < text.size() && letter(text[end]))
                ++end;
        }
        pieces.push_back({kind, text.substr(i, end - i)});
        i = end;
    }
    return pieces;
}

// 1-12 for an English month name or its three-letter abbreviation.
std::optional<int> monthNamed(std::string_view word)
{
    static constexpr std::array<std::string_view, 12> names{"January",   "February", "March",    "April",
                                                            "May",       "June",     "July",     "August",
                                                            "September", "October",  "November", "December"};
    for (std::size_t i = 0; i < names.size(); ++i)
        if (common::equalIgnoringAsciiCase(word, names[i])
            || common::equalIgnoringAsciiCase(word, names[i].substr(0, 3)))
            return static_cast<int>(i + 1);
    return std::nullopt;
}

bool isMeridiem(const Piece& piece)
{
    return piece.kind == Piece::Kind::Word
        && (common::equalIgnoringAsciiCase(piece.text, "AM") || common::equalIgnoringAsciiCase(piece.text, "PM"));
}

// Two-digit years fall in 1950-2049, SQL Server's default cutoff.
int fullYear(const Piece& year)
{
    const int value = year.number();
    if (year.text.size() > 2)
        return value;
    return value < 50 ? 2000 + value : 1900 + value;
}

struct Fields {
    int year = 1900, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class NoDate {};

bool shortNumber(const Piece& piece) { return piece.kind == Piece::Kind::Number && piece.text.size() <= 2; }
bool yearNumber(const Piece& piece)
{
    return piece.kind == Piece::Kind::Number && (piece.text.size() <= 2 || piece.text.size() == 4);
}

// H[:M[:S[.F|:F]]][AM|PM] or H AM|PM.
void readTime(std::span<const Piece> pieces, Fields& fields)
{
    std::size_t i = 0;
    const auto next = [&]() -> const Piece* { return i < pieces.size() ? &pieces[i] : nullptr; };
    const auto shortAt = [&](int& out) {
        if (!next() || !shortNumber(*next()))
            throw NoDate{};
        out = pieces[i++].number();
    };
    shortAt(fields.hour);
    if (next() && next()->isSymbol(':')) {
        ++i;
        shortAt(fields.minute);
        if (next() && next()->isSymbol(':')) {
            ++i;
            shortAt(fields.second);
            if (next() && (next()->isSymbol('.') || next()->isSymbol(':'))) {
                const bool thousandths = next()->isSymbol(':');
                ++i;
                if (!next() || next()->kind != Piece::Kind::Number || next()->text.size() > 3)
                    throw NoDate{};
                const Piece& fraction = pieces[i++];
                fields.millisecond = fraction.number();
                // After a period the digits are a decimal fraction; after a colon, milliseconds.
                for (std::size_t digits = fraction.text.size(); !thousandths && digits < 3; ++digits)
                    fields.millisecond *= 10;
            }
        }
    } else if (!next() || !isMeridiem(*next())) {
        throw NoDate{};
    }
    if (next() && isMeridiem(*next())) {
        if (fields.hour > 12)
            throw NoDate{};
        const bool pm = common::equalIgnoringAsciiCase(next()->text, "PM");
        fields.hour = fields.hour % 12 + (pm ? 12 : 0);
        ++i;
    }
    if (i != pieces.size())
        throw NoDate{};
}

void readUnseparated(const Piece& piece, Fields& fields)
{
    const std::string_view digits = piece.text;
    const auto part = [&](std::size_t at, std::size_t count) {
        return Piece{Piece::Kind::Number, digits.substr(at, count)};
    };
    if (digits.size() == 8) {
        fields.year = part(0, 4).number();
        fields.month = part(4, 2).number();
        fields.day = part(6, 2).number();
    } else if (digits.size() == 6) {
        fields.year = fullYear(part(0, 2));
        fields.month = part(2, 2).number();
        fields.day = part(4, 2).number();
    } else if (digits.size() == 4) {
        fields.year = piece.number();
    } else {
        throw NoDate{};
    }
}

// Month name with a day and a year around it in any of SQL Server's orders: a four-digit number
// is the year; of two short numbers the first is the day.
void readAlphabetic(std::span<const Piece> pieces, Fields& fields)
{
    std::optional<int> month;
    std::vector<Piece> numbers;
    for (const Piece& piece : pieces) {
        if (piece.kind == Piece::Kind::Word) {
            if (month || !(month = monthNamed(piece.text)))
                throw NoDate{};
        } else if (piece.kind == Piece::Kind::Number) {
            if (!yearNumber(piece))
                throw NoDate{};
            numbers.push_back(piece);
        } else if (!piece.isSymbol(',') && !piece.isSymbol('-') && !piece.isSymbol('/') && !piece.isSymbol('.')) {
            throw NoDate{};
        }
    }
    fields.month = *month;
    const auto isYear = [](const Piece& piece) { return piece.text.size() == 4; };
    if (numbers.size() == 1 && isYear(numbers[0])) {
        fields.year = numbers[0].number();
    } else if (numbers.size() == 2 && (isYear(numbers[0]) != isYear(numbers[1]))) {
        const Piece& year = isYear(numbers[0]) ? numbers[0] : numbers[1];
        fields.year = year.number();
        fields.day = (isYear(numbers[0]) ? numbers[1] : numbers[0]).number();
    } else if (numbers.size() == 2 && !isYear(numbers[0])) {
        fields.day = numbers[0].number();
        fields.year = fullYear(numbers[1]);
    } else {
        throw NoDate{};
    }
}

// y-m-d when the first number has four digits, otherwise m-d-y; - / or . throughout.
void readNumeric(std::span<const Piece> pieces, Fields& fields)
{
    if (pieces.size() != 5 || pieces[1].kind != Piece::Kind::Symbol || pieces[1].text != pieces[3].text
        || !(pieces[1].isSymbol('-') || pieces[1].isSymbol('/') || pieces[1].isSymbol('.')))
        throw NoDate{};
    const Piece &a = pieces[0], &b = pieces[2], &c = pieces[4];
    if (a.kind == Piece::Kind::Number && a.text.size() == 4 && shortNumber(b) && shortNumber(c)) {
        fields.year = a.number();
        fields.month = b.number();
        fields.day = c.number();
    } else if (shortNumber(a) && shortNumber(b) && yearNumber(c)) {
        fields.month = a.number();
        fields.day = b.number();
        fields.year = fullYear(c);
    } else {
        throw NoDate{};
    }
}

void readDate(std::span<const Piece> pieces, Fields& fields)
{
    if (pieces.empty())
        return;
    if (pieces.size() == 1 && pieces[0].kind == Piece::Kind::Number)
        return readUnseparated(pieces[0], fields);
    for (const Piece& piece : pieces)
        if (piece.kind == Piece::Kind::Word)
            return readAlphabetic(pieces, fields);
    readNumeric(pieces, fields);
}

// The first number followed by ':' or AM/PM starts the time of day.
std::size_t timeStart(const std::vector<Piece>& pieces)
{
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i)
        if (pieces[i].kind == Piece::Kind::Number && (pieces[i + 1].isSymbol(':') || isMeridiem(pieces[i + 1])))
            return i;
    return pieces.size();
}

bool validDate(const Fields& f)
{
    static constexpr int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (f.year % 4 == 0 && f.year % 100 != 0) || f.year % 400 == 0;
    return f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= monthDays[f.month - 1]
        && !(f.month == 2 && f.day == 29 && !leap);
}

}  // namespace

std::string textToDateTime(std::string_view text, std::string_view sourceTypeName)
{
    const std::vector<Piece> pieces = piecesOf(text);
    Fields fields;
    try {
        const std::size_t time = timeStart(pieces);
        std::size_t dateEnd = time;
        // ISO 8601 puts a T between date and time.
        if (time < pieces.size() && dateEnd > 0 && pieces[dateEnd - 1].kind == Piece::Kind::Word
            && common::equalIgnoringAsciiCase(pieces[dateEnd - 1].text, "T"))
            --dateEnd;
        readDate(std::span(pieces).first(dateEnd), fields);
        if (time < pieces.size())
            readTime(std::span(pieces).subspan(time), fields);
    } catch (const NoDate&) {
        throw makeError<ErrorId::DateTimeConversionFailed>();
    }
    const auto outOfRange = [&] { return dateTimeOutOfRange(sourceTypeName); };
    if (!validDate(fields) || fields.hour > 23 || fields.minute > 59 || fields.second > 59)
        throw outOfRange();
    const std::int64_t ms = ((fields.hour * 60LL + fields.minute) * 60 + fields.second) * 1000 + fields.millisecond;
    // Rounding to 1/300 s can carry .999 into the next day, and past the last one.
    const store::DateTimeValue value =
        store::fromMilliseconds(store::daysFromCivil({fields.year, fields.month, fields.day}), ms);
    if (!store::inDateTimeRange(value))
        throw outOfRange();
    return store::formatStored(value);
}

}  // namespace taskstore::sql
