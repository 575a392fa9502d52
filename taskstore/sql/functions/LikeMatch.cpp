#include "taskstore/sql/functions/LikeMatch.h"

#include "taskstore/store/TextCollation.h"

#include <string>
#include <vector>

namespace taskstore::sql {
namespace {

// One element of a pattern: a run of %, one character, _, or a [set] (p[first..last) inside the
// brackets, negated by a leading ^).
struct Element {
    enum class Kind { AnyRun, Char, AnyChar, Set };
    Kind kind;
    std::size_t first = 0;
    std::size_t last = 0;
    bool negated = false;
};

std::vector<Element> elementsOf(const std::u32string& p)
{
    std::vector<Element> elements;
    for (std::size_t i = 0; i < p.size();) {
        if (p[i] == U'%') {
            if (elements.empty() || elements.back().kind != Element::Kind::AnyRun)
                elements.push_back({Element::Kind::AnyRun});
            ++i;
            continue;
        }
        if (p[i] == U'_') {
            elements.push_back({Element::Kind::AnyChar});
            ++i;
            continue;
        }
        if (p[i] == U'[') {
            const std::size_t close = p.find(U']', i + 1);
            if (close != std::u32string::npos) {
                const bool negated = i + 1 < close && p[i + 1] == U'^';
                elements.push_back({Element::Kind::Set, i + 1 + (negated ? 1 : 0), close, negated});
                i = close + 1;
                continue;
            }
        }
        elements.push_back({Element::Kind::Char, i, i + 1});
        ++i;
    }
    return elements;
}

bool inSet(const std::u32string& p, const Element& set, char32_t c)
{
    bool found = false;
    for (std::size_t i = set.first; i < set.last; ++i) {
        if (i + 2 < set.last && p[i + 1] == U'-') {
            found = found || (c >= p[i] && c <= p[i + 2]);
            i += 2;
        } else {
            found = found || c == p[i];
        }
    }
    return found != set.negated;
}

bool matchesOne(const std::u32string& p, const Element& element, char32_t c)
{
    switch (element.kind) {
    case Element::Kind::AnyChar: return true;
    case Element::Kind::Char: return p[element.first] == c;
    case Element::Kind::Set: return inSet(p, element, c);
    case Element::Kind::AnyRun: break;
    }
    return false;
}

}  // namespace

bool likeMatches(std::string_view text, std::string_view pattern, const std::atomic<bool>* stop)
{
    const std::u32string t = store::foldedCodePoints(text);
    const std::u32string p = store::foldedCodePoints(pattern);
    // reached[i]: the pattern's elements so far match the text's first i characters.
    std::vector<char> reached(t.size() + 1, 0);
    std::vector<char> next(t.size() + 1, 0);
    reached[0] = 1;
    for (const Element& element : elementsOf(p)) {
        throwIfStopped(stop);
        bool any = false;
        if (element.kind == Element::Kind::AnyRun) {
            char seen = 0;
            for (std::size_t i = 0; i <= t.size(); ++i) {
                seen = seen || reached[i];
                next[i] = seen;
            }
            any = seen;
        } else {
            next[0] = 0;
            for (std::size_t i = 0; i < t.size(); ++i) {
                next[i + 1] = reached[i] && matchesOne(p, element, t[i]);
                any = any || next[i + 1];
            }
        }
        if (!any)
            return false;
        reached.swap(next);
    }
    // Trailing blanks of the text do not stop a match, as under SQL Server's padding rule.
    std::size_t end = t.size();
    for (;;) {
        if (reached[end])
            return true;
        if (end == 0 || t[end - 1] != U' ')
            return false;
        --end;
    }
}

}  // namespace taskstore::sql
