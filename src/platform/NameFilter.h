#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace qn {

// What the user asked the adds to take, as typed: pattern lists separated by
// ";" and whether hidden entries are taken too.
struct FilterPatterns {
    QString include;            // empty: every file
    QString exclude;
    QString excludeDirectories; // names of directories a walk does not enter
    bool hidden = false;        // off: hidden files are left out, hidden directories not entered

    // Whether anything differs from taking every ordinary, visible file.
    bool isSet() const;
    bool operator==(const FilterPatterns &) const = default;
};

// The patterns of a list, each trimmed, empty ones dropped.
QStringList splitPatterns(const QString &list);

// A filter compiled once per add and then asked for every name: "*", "?" and
// "[...]" (ranges, "!" or "^" to negate) against the name alone, without
// regard to case. Safe to share between threads.
class NameFilter {
public:
    NameFilter() = default; // takes every visible file, enters every visible directory
    explicit NameFilter(const FilterPatterns &patterns);

    bool takesFile(QStringView name) const;
    bool entersDirectory(QStringView name) const;
    bool takesHidden() const { return m_hidden; }
    bool isSet() const { return m_set; }

    // One compiled pattern; public for the matcher's tests.
    class Pattern {
    public:
        explicit Pattern(const QString &text);
        bool matches(QStringView name) const;

    private:
        enum Kind { Exact, Suffix, Prefix, Anywhere, Everything, General };
        Kind m_kind = General;
        QString m_text;  // the whole pattern (General) or its literal part
        bool m_ascii = false; // m_text is ASCII and in lower case: compared without Qt's folding
    };

private:
    std::vector<Pattern> m_include, m_exclude, m_excludeDirectories;
    bool m_hidden = false;
    bool m_set = false;
};

} // namespace qn
