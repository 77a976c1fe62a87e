#include "output/CsvReader.h"

#include "list/LocalClock.h"
#include "list/DirectoryAdd.h"
#include "list/EntryTable.h"
#include "platform/Cp932.h"
#include "platform/Digest.h"
#include "platform/FileSystem.h"

#include <QDir>

#include <algorithm>
#include <cstring>
#include <deque>
#include <limits>

namespace qn {

namespace {

const QString NameTitle = QStringLiteral("ファイル名");
const QString SizeTitle = QStringLiteral("バイト数");
const QString TimeTitle = QStringLiteral("更新日時");
const QString DirectoryTitle = QStringLiteral("ディレクトリ");
const QString DigestTitle = QStringLiteral("SHA-256");

// Whether bytes are UTF-8 throughout; plain ASCII, as most of a list is,
// eight bytes at a time.
bool isUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        if (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                p += 8;
                continue;
            }
        }
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int n;
        unsigned min;
        unsigned cp;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 1, min = 0x80, cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2, min = 0x800, cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (end - p <= n)
            return false;
        for (int i = 1; i <= n; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        p += n + 1;
    }
    return true;
}

// Records of RFC 4180, one at a time: fields split at commas, quoted fields
// with their doubled quotes made single; a record ends at CR LF, LF or CR
// outside quotes.
class Records {
public:
    explicit Records(QByteArrayView bytes)
        : m_p(bytes.data())
        , m_end(bytes.data() + bytes.size())
    {
    }
    bool atEnd() const { return m_p >= m_end; }

    // The next record's fields; false when its quotes are broken.
    bool next(std::vector<QByteArrayView> &fields)
    {
        fields.clear();
        m_unquoted.clear();
        for (;;) {
            QByteArrayView field;
            if (m_p < m_end && *m_p == '"') {
                if (!quoted(field))
                    return false;
            } else {
                const char *start = m_p;
                while (m_p < m_end && *m_p != ',' && *m_p != '\r' && *m_p != '\n')
                    ++m_p;
                field = QByteArrayView(start, m_p - start);
            }
            fields.push_back(field);
            if (m_p >= m_end)
                return true;
            const char c = *m_p++;
            if (c == ',')
                continue;
            if (c == '\r' && m_p < m_end && *m_p == '\n')
                ++m_p;
            return true;
        }
    }

private:
    bool quoted(QByteArrayView &field)
    {
        const char *start = ++m_p;
        QByteArray *copy = nullptr; // only for a field with doubled quotes
        for (;;) {
            const char *quote = static_cast<const char *>(std::memchr(m_p, '"', size_t(m_end - m_p)));
            if (!quote)
                return false; // the file ends inside the quotes
            if (quote + 1 < m_end && quote[1] == '"') {
                if (!copy)
                    copy = &m_unquoted.emplace_back();
                copy->append(m_p, quote + 1 - m_p);
                m_p = quote + 2;
                continue;
            }
            if (quote + 1 < m_end && quote[1] != ',' && quote[1] != '\r' && quote[1] != '\n')
                return false; // text after the closing quote
            if (copy) {
                copy->append(m_p, quote - m_p);
                field = *copy;
            } else {
                field = QByteArrayView(start, quote - start);
            }
            m_p = quote + 1;
            return true;
        }
    }

    const char *m_p;
    const char *m_end;
    std::deque<QByteArray> m_unquoted; // a deque never moves what it holds
};

bool wholeNumber(QByteArrayView text, qint64 &value)
{
    if (text.isEmpty() || text.size() > 19)
        return false;
    quint64 v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + quint64(c - '0');
    }
    if (v > quint64(std::numeric_limits<qint64>::max()))
        return false;
    value = qint64(v);
    return true;
}

// A number of 1 to `most` digits from text at i, moving i past it.
bool digits(QByteArrayView text, qsizetype &i, int most, int &value)
{
    const qsizetype start = i;
    value = 0;
    while (i < text.size() && i - start < most && text[i] >= '0' && text[i] <= '9')
        value = value * 10 + (text[i++] - '0');
    return i > start;
}

bool expect(QByteArrayView text, qsizetype &i, char c)
{
    if (i >= text.size() || text[i] != c)
        return false;
    ++i;
    return true;
}

// "yyyy-MM-dd HH:mm:ss", as written; "yyyy/MM/dd H:mm:ss" and
// "yyyy/MM/dd H:mm", as spreadsheets write it back.
bool parseTime(QByteArrayView text, LocalTime &t)
{
    qsizetype i = 0;
    if (!digits(text, i, 4, t.year) || i != 4 || i >= text.size())
        return false;
    const char separator = text[i];
    if (separator != '-' && separator != '/')
        return false;
    ++i;
    if (!digits(text, i, 2, t.month) || !expect(text, i, separator) || !digits(text, i, 2, t.day)
        || !expect(text, i, ' ') || !digits(text, i, 2, t.hour) || !expect(text, i, ':')
        || !digits(text, i, 2, t.minute))
        return false;
    t.second = 0;
    if (i < text.size() && (!expect(text, i, ':') || !digits(text, i, 2, t.second)))
        return false;
    if (i != text.size() || (separator == '-' && text.size() != 19))
        return false;
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= days[t.month - 1]
           && (t.month != 2 || t.day <= 28 || leap) && t.hour <= 23 && t.minute <= 59 && t.second <= 59;
}

} // namespace

CsvReadResult readListCsv(const QByteArray &input)
{
    CsvReadResult result;
    QByteArrayView bytes(input);
    QByteArray converted;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes = bytes.sliced(3);
    } else if (!isUtf8(bytes)) {
        // Saved again by a spreadsheet on a Japanese desktop.
        QString text;
        if (!fromCp932(bytes, text)) {
            result.status = CsvReadResult::NotAList;
            return result;
        }
        converted = text.toUtf8();
        bytes = converted;
        result.list.fromCp932 = true;
    }

    Records records(bytes);
    std::vector<QByteArrayView> fields;
    qsizetype nameAt = -1, sizeAt = -1, timeAt = -1, directoryAt = -1, digestAt = -1;
    if (!records.next(fields)) {
        result.status = CsvReadResult::NotAList;
        return result;
    }
    for (qsizetype i = 0; i < qsizetype(fields.size()); ++i) {
        const QString title = QString::fromUtf8(fields[size_t(i)]).trimmed();
        for (const auto &[wanted, at] : {std::pair{&NameTitle, &nameAt}, std::pair{&SizeTitle, &sizeAt},
                                         std::pair{&TimeTitle, &timeAt}, std::pair{&DirectoryTitle, &directoryAt},
                                         std::pair{&DigestTitle, &digestAt}}) {
            if (title == *wanted && *at < 0)
                *at = i;
        }
    }
    if (nameAt < 0 || sizeAt < 0 || timeAt < 0 || directoryAt < 0) {
        result.status = CsvReadResult::NotAList;
        return result;
    }
    const size_t needed = size_t(std::max({nameAt, sizeAt, timeAt, directoryAt})) + 1;

    LocalClock clock;
    QByteArrayView lastDirectory;
    QString directory;
    std::vector<WalkedDirectory> &out = result.list.directories;
    qint64 line = 1;
    const auto bad = [&result, &line] {
        result = CsvReadResult();
        result.status = CsvReadResult::BadLine;
        result.line = line;
        return result;
    };
    while (!records.atEnd()) {
        ++line;
        if (!records.next(fields))
            return bad();
        // Rows a spreadsheet leaves empty at the end say nothing.
        if (std::all_of(fields.begin(), fields.end(), [](QByteArrayView f) { return f.isEmpty(); }))
            continue;
        if (fields.size() < needed)
            return bad();
        WalkedFile file;
        LocalTime time;
        if (!wholeNumber(fields[size_t(sizeAt)], file.stamp.size) || !parseTime(fields[size_t(timeAt)], time)
            || fields[size_t(nameAt)].isEmpty())
            return bad();
        file.stamp.modified = clock.secondsAt(time);
        file.name = QString::fromUtf8(fields[size_t(nameAt)]);
        if (digestAt >= 0) {
            const QByteArrayView hex = size_t(digestAt) < fields.size() ? fields[size_t(digestAt)] : QByteArrayView();
            QByteArray digest = digestFromHex(hex);
            if (!hex.isEmpty() && digest.isEmpty())
                return bad();
            result.list.digests.push_back(std::move(digest));
        }
        const QByteArrayView directoryBytes = fields[size_t(directoryAt)];
        if (out.empty() || directoryBytes != lastDirectory) {
            directory = fromNativePath(QString::fromUtf8(directoryBytes));
            if (!QDir::isAbsolutePath(directory) || directory.contains(QChar(0)))
                return bad();
            if (!directory.endsWith(QLatin1Char('/')))
                directory += QLatin1Char('/');
            // The bytes stay where they are: the view of them stays good.
            lastDirectory = directoryBytes.data() >= bytes.data() && directoryBytes.data() < bytes.data() + bytes.size()
                                ? directoryBytes
                                : QByteArrayView();
            out.push_back(WalkedDirectory{directory, {}});
        }
        out.back().files.push_back(std::move(file));
        ++result.list.rows;
    }
    return result;
}

void AppendCsvList(EntryTable &table, CsvList &list)
{
    // Where each row's digest goes is known only once the rows are in: the
    // rows the table held already are left out.
    std::vector<std::pair<QString, QString>> keys;
    if (!list.digests.empty()) {
        for (const WalkedDirectory &d : list.directories) {
            for (const WalkedFile &f : d.files)
                keys.emplace_back(d.path, f.name);
        }
    }
    TreeWalkReport report;
    report.directories = std::move(list.directories);
    const int first = table.EntryCount() + 1;
    AppendTree(table, report);
    for (size_t k = 0; k < keys.size() && k < list.digests.size(); ++k) {
        if (list.digests[k].isEmpty())
            continue;
        const int i = table.Find(keys[k].first, keys[k].second);
        if (i >= first)
            table.SetDigest(i, list.digests[k]);
    }
}

} // namespace qn
