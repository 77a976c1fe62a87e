#include "output/CsvFile.h"

#include "list/Check.h"
#include "list/EntryTable.h"
#include "list/LocalClock.h"
#include "output/GridTitles.h"
#include "output/CsvTime.h"
#include "platform/Digest.h"
#include "platform/FileSystem.h"

#include <QDateTime>
#include <QStringEncoder>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace qn {

namespace {

bool needsQuotes(QByteArrayView utf8)
{
    for (char c : utf8) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    }
    return false;
}

// UTF-8 of text into out, reusing its room; plain ASCII, as most names are,
// is copied straight through.
void toUtf8(QStringView text, QByteArray &out, QStringEncoder &encoder)
{
    out.resize(text.size() * 3);
    char *p = out.data();
    const char16_t *src = text.utf16();
    qsizetype i = 0;
    for (; i < text.size() && src[i] < 0x80; ++i)
        *p++ = char(src[i]);
    if (i < text.size())
        p = encoder.appendToBuffer(p, text.mid(i));
    out.resize(p - out.data());
}

// Rows go straight into one buffer that grows as needed, as in the list
// file: 100,000 rows are one pass with no allocation per row.
class CsvBuffer {
public:
    explicit CsvBuffer(qsizetype expected) { m_out.resize(expected); }

    char *room(qsizetype needed)
    {
        if (m_out.size() - m_used < needed)
            m_out.resize(std::max(m_out.size() * 2, m_used + needed));
        return m_out.data() + m_used;
    }
    void advance(char *end) { m_used = end - m_out.data(); }
    void put(char c)
    {
        char *p = room(1);
        *p = c;
        advance(p + 1);
    }
    void put(QByteArrayView bytes)
    {
        if (bytes.isEmpty())
            return; // its data may be null, which memcpy must not be given
        char *p = room(bytes.size());
        std::memcpy(p, bytes.data(), size_t(bytes.size()));
        advance(p + bytes.size());
    }

    // One field made of parts written one after the other (a path is its
    // directory and its name), quoted with its quotes doubled when it must be.
    void field(std::initializer_list<QByteArrayView> parts, bool quoted)
    {
        if (!quoted) {
            for (QByteArrayView part : parts)
                put(part);
            return;
        }
        put('"');
        for (QByteArrayView part : parts) {
            for (char c : part) {
                if (c == '"')
                    put('"');
                put(c);
            }
        }
        put('"');
    }

    QByteArray take()
    {
        m_out.resize(m_used);
        return std::move(m_out);
    }

private:
    QByteArray m_out;
    qsizetype m_used = 0;
};

} // namespace

QByteArray CsvFileText(const EntryTable &table, ReplacedNames *replaced)
{
    CsvBuffer out(128 + qsizetype(table.EntryCount()) * 96);
    out.put("\xEF\xBB\xBF");
    // A checked list says what the check found, in a sixth column.
    // and one with digests, the SHA-256 in a column after the others.
    const bool checked = table.IsChecked();
    const bool digests = table.HasDigests();
    out.put(QStringLiteral("ファイル名,バイト数,更新日時,ディレクトリ,パス").toUtf8());
    if (checked)
        out.put(("," + gridColumnTitle(StateCol, 0)).toUtf8());
    if (digests)
        out.put(("," + gridColumnTitle(DigestCol, 0)).toUtf8());
    // What a check found for the entries that differ, last, while any does.
    const bool found = table.HasFound();
    if (found)
        out.put(("," + gridColumnTitle(FoundSizeCol, 0) + "," + gridColumnTitle(FoundDateCol, 0)).toUtf8());
    out.put("\r\n");
    QByteArray states[7];
    for (int s = 0; s < 7; ++s)
        states[s] = stateText(CheckState(s)).toUtf8();

    // Entries of one directory share their directory string: its bytes are
    // worked out once for the run.
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    quint32 lastDirectory = 0;
    QByteArray directory;
    bool directoryQuoted = false;
    bool directoryReplaced = false;
    QByteArray name;
    LocalClock clock;
    qint64 lastSeconds = 0;
    bool lastMinuteOnly = false;
    char time[CsvTimeRoom];
    qsizetype timeLength = formatCsvTime(time, lastSeconds, true, clock);

    for (int i = 1; i <= table.EntryCount(); ++i) {
        const quint32 directoryNumber = table.directoryNumber(i);
        if (i == 1 || directoryNumber != lastDirectory) {
            const QString &d = table.directory(i);
            lastDirectory = directoryNumber;
            directoryReplaced = hasUndecodableBytes(d);
            toUtf8(displayName(nativePath(d)), directory, encoder);
            directoryQuoted = needsQuotes(directory);
        }
        const QStringView fileName = table.fileName(i);
        const bool nameReplaced = hasUndecodableBytes(fileName);
        if (nameReplaced || (directoryReplaced && replaced)) {
            const QString shown = displayName(fileName.toString());
            toUtf8(nameReplaced ? QStringView(shown) : fileName, name, encoder);
            if (replaced)
                replaced->add(shown, shown);
        } else {
            toUtf8(fileName, name, encoder);
        }
        const bool nameQuoted = needsQuotes(name);

        out.field({name}, nameQuoted);
        out.put(',');
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, table.size(i)).ptr;
        out.put(QByteArrayView(digits, end - digits));
        out.put(',');
        if (table.modified(i) != lastSeconds || table.minuteOnly(i) != lastMinuteOnly) {
            lastSeconds = table.modified(i);
            lastMinuteOnly = table.minuteOnly(i);
            timeLength = formatCsvTime(time, lastSeconds, !lastMinuteOnly, clock);
        }
        out.put(QByteArrayView(time, timeLength));
        out.put(',');
        out.field({directory}, directoryQuoted);
        out.put(',');
        out.field({directory, name}, directoryQuoted || nameQuoted);
        if (checked) {
            out.put(',');
            out.put(states[int(table.state(i))]);
        }
        if (digests) {
            out.put(',');
            out.put(digestHex(table.digest(i)));
        }
        if (found) {
            out.put(',');
            if (carriesFound(table.state(i)) && table.HasFound(i)) {
                const FoundValues &f = table.found(i);
                const auto foundEnd = std::to_chars(digits, digits + sizeof digits, f.Size).ptr;
                out.put(QByteArrayView(digits, foundEnd - digits));
                out.put(',');
                char foundTime[CsvTimeRoom];
                out.put(QByteArrayView(foundTime, formatCsvTime(foundTime, f.Modified, true, clock)));
            } else {
                out.put(',');
            }
        }
        out.put("\r\n");
    }
    return out.take();
}

} // namespace qn
