#include "platform/NameFilter.h"

#include <algorithm>

namespace qn {

namespace {

bool isWildcard(QChar c) { return c == u'*' || c == u'?' || c == u'['; }

// The code point at i and how many UTF-16 units it takes.
char32_t codePointAt(QStringView s, qsizetype i, qsizetype &length)
{
    const QChar c = s[i];
    if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
        length = 2;
        return QChar::surrogateToUcs4(c, s[i + 1]);
    }
    length = 1;
    return c.unicode();
}

bool sameLetter(char32_t a, char32_t b) { return a == b || QChar::toCaseFolded(a) == QChar::toCaseFolded(b); }

bool inRange(char32_t c, char32_t low, char32_t high)
{
    for (const char32_t v : {c, QChar::toLower(c), QChar::toUpper(c)}) {
        if (low <= v && v <= high)
            return true;
    }
    return false;
}

// Matches c against the class starting at pattern[open] == '['. False in
// `valid` when the class has no closing bracket: the "[" is then an
// ordinary character.
bool classMatches(QStringView pattern, qsizetype open, char32_t c, qsizetype &end, bool &valid)
{
    qsizetype i = open + 1;
    bool negate = false;
    if (i < pattern.size() && (pattern[i] == u'!' || pattern[i] == u'^')) {
        negate = true;
        ++i;
    }
    bool matched = false;
    bool first = true;
    while (i < pattern.size()) {
        if (pattern[i] == u']' && !first) {
            end = i + 1;
            valid = true;
            return matched != negate;
        }
        first = false;
        qsizetype length = 0;
        const char32_t low = codePointAt(pattern, i, length);
        i += length;
        char32_t high = low;
        if (i + 1 < pattern.size() && pattern[i] == u'-' && pattern[i + 1] != u']') {
            high = codePointAt(pattern, i + 1, length);
            i += 1 + length;
        }
        if (inRange(c, low, high))
            matched = true;
    }
    valid = false;
    return false;
}

bool globMatches(QStringView pattern, QStringView name)
{
    qsizetype p = 0, n = 0;
    qsizetype starP = -1, starN = 0;
    while (n < name.size()) {
        qsizetype nameLength = 0;
        const char32_t c = codePointAt(name, n, nameLength);
        if (p < pattern.size()) {
            const QChar pc = pattern[p];
            if (pc == u'*') {
                starP = ++p;
                starN = n;
                continue;
            }
            if (pc == u'?') {
                ++p;
                n += nameLength;
                continue;
            }
            bool literal = true;
            if (pc == u'[') {
                qsizetype end = 0;
                bool valid = false;
                const bool matched = classMatches(pattern, p, c, end, valid);
                if (valid) {
                    literal = false;
                    if (matched) {
                        p = end;
                        n += nameLength;
                        continue;
                    }
                }
            }
            if (literal) {
                qsizetype patternLength = 0;
                if (sameLetter(codePointAt(pattern, p, patternLength), c)) {
                    p += patternLength;
                    n += nameLength;
                    continue;
                }
            }
        }
        if (starP < 0)
            return false;
        qsizetype skipped = 0;
        codePointAt(name, starN, skipped);
        starN += skipped;
        n = starN;
        p = starP;
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

// Compares name with an ASCII pattern in lower case, without regard to case.
// A character beyond ASCII in the name may still fold to an ASCII one (the
// Kelvin sign to "k"), so such a name is left to Qt's comparison.
enum class Ascii { Equal, Different, Ask };
Ascii compareAscii(QStringView name, QStringView lowerPattern)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        char16_t c = name[i].unicode();
        if (c >= 0x80)
            return Ascii::Ask;
        if (c >= u'A' && c <= u'Z')
            c += u'a' - u'A';
        if (c != lowerPattern[i].unicode())
            return Ascii::Different;
    }
    return Ascii::Equal;
}

bool sameText(QStringView name, const QString &pattern, bool ascii)
{
    if (name.size() != pattern.size())
        return false;
    if (ascii) {
        const Ascii fast = compareAscii(name, pattern);
        if (fast != Ascii::Ask)
            return fast == Ascii::Equal;
    }
    return name.compare(pattern, Qt::CaseInsensitive) == 0;
}

} // namespace

bool FilterPatterns::isSet() const
{
    return NameFilter(*this).isSet();
}

QStringList splitPatterns(const QString &list)
{
    QStringList patterns;
    for (const QStringView part : QStringView(list).split(u';')) {
        const QStringView trimmed = part.trimmed();
        if (!trimmed.isEmpty())
            patterns.append(trimmed.toString());
    }
    return patterns;
}

NameFilter::Pattern::Pattern(const QString &text)
{
    qsizetype wildcards = 0;
    for (const QChar c : text)
        wildcards += isWildcard(c);
    const bool leadingStar = text.startsWith(u'*');
    const bool trailingStar = text.size() > 1 && text.endsWith(u'*');
    const qsizetype stars = qsizetype(leadingStar) + qsizetype(trailingStar);
    if (wildcards == 0) {
        m_kind = Exact;
        m_text = text;
    } else if (text.count(u'*') == text.size()) {
        m_kind = Everything;
    } else if (wildcards == stars) {
        // The common shapes "*.jpg", "tmp*" and "*cache*" are plain
        // comparisons.
        m_kind = leadingStar && trailingStar ? Anywhere : leadingStar ? Suffix : Prefix;
        m_text = text.mid(leadingStar ? 1 : 0, text.size() - stars);
    } else {
        m_kind = General;
        m_text = text;
    }
    if (m_kind != General && std::all_of(m_text.begin(), m_text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
        m_ascii = true;
        m_text = m_text.toLower();
    }
}

bool NameFilter::Pattern::matches(QStringView name) const
{
    switch (m_kind) {
    case Exact:
        return sameText(name, m_text, m_ascii);
    case Suffix:
        return name.size() >= m_text.size() && sameText(name.last(m_text.size()), m_text, m_ascii);
    case Prefix:
        return name.size() >= m_text.size() && sameText(name.first(m_text.size()), m_text, m_ascii);
    case Anywhere:
        return name.contains(m_text, Qt::CaseInsensitive);
    case Everything:
        return true;
    case General:
        break;
    }
    return globMatches(m_text, name);
}

static bool matchesAny(const std::vector<NameFilter::Pattern> &patterns, QStringView name)
{
    for (const NameFilter::Pattern &p : patterns) {
        if (p.matches(name))
            return true;
    }
    return false;
}

NameFilter::NameFilter(const FilterPatterns &patterns)
    : m_hidden(patterns.hidden)
{
    for (const QString &p : splitPatterns(patterns.include))
        m_include.emplace_back(p);
    for (const QString &p : splitPatterns(patterns.exclude))
        m_exclude.emplace_back(p);
    for (const QString &p : splitPatterns(patterns.excludeDirectories))
        m_excludeDirectories.emplace_back(p);
    m_set = m_hidden || !m_include.empty() || !m_exclude.empty() || !m_excludeDirectories.empty();
}

bool NameFilter::takesFile(QStringView name) const
{
    if (!m_include.empty() && !matchesAny(m_include, name))
        return false;
    return !matchesAny(m_exclude, name);
}

bool NameFilter::entersDirectory(QStringView name) const
{
    return !matchesAny(m_excludeDirectories, name);
}

} // namespace qn
