#include "output/CsvReader.h"

#include "list/Check.h"
#include "list/LocalClock.h"
#include "output/CsvTime.h"
#include "output/GridTitles.h"
#include "platform/Cp932.h"
#include "platform/Digest.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

#include <QBuffer>
#include <QDir>
#include <QStringDecoder>

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
const QString DigestTitle = gridColumnTitle(DigestCol, 0);
const QString StateTitle = gridColumnTitle(StateCol, 0);
const QString FoundSizeTitle = gridColumnTitle(FoundSizeCol, 0);
const QString FoundTimeTitle = gridColumnTitle(FoundDateCol, 0);

// Records of RFC 4180, one at a time, read from a device in pieces: fields
// split at commas, quoted fields with their doubled quotes made single; a
// record ends at CR LF, LF or CR outside quotes. Only the record being read
// is held, with what is left of the last piece.
class Records {
public:
    enum Outcome { Record, End, Broken, TooLong, Failed, Cancelled };

    Records(QIODevice &device, const std::atomic<bool> &cancel, qsizetype longest)
        : m_device(device)
        , m_cancel(cancel)
        , m_longest(longest)
    {
    }

    // The next record's fields, and its bytes as the file has them.
    Outcome next(std::vector<QByteArrayView> &fields, QByteArrayView &raw)
    {
        for (;;) {
            if (m_start >= m_buffer.size() && m_atEnd)
                return End;
            const char *end = nullptr;
            const Split split = splitRecord(fields, end);
            if (split == Whole) {
                raw = QByteArrayView(m_buffer.constData() + m_start, end - (m_buffer.constData() + m_start));
                m_start = end - m_buffer.constData();
                return raw.size() > m_longest ? TooLong : Record;
            }
            if (split == BadQuotes)
                return Broken;
            if (m_buffer.size() - m_start > m_longest)
                return TooLong;
            const Outcome more = fill();
            if (more != Record)
                return more;
        }
    }

    // Splits one record that stands alone (a record decoded from code page
    // 932 into UTF-8).
    static bool splitWhole(QByteArrayView bytes, std::vector<QByteArrayView> &fields, std::deque<QByteArray> &unquoted)
    {
        const char *end = nullptr;
        return split(bytes.data(), bytes.data() + bytes.size(), true, fields, unquoted, end) == Whole;
    }

private:
    enum Split { Whole, NeedMore, BadQuotes };

    Split splitRecord(std::vector<QByteArrayView> &fields, const char *&end)
    {
        return split(m_buffer.constData() + m_start, m_buffer.constData() + m_buffer.size(), m_atEnd, fields,
                     m_unquoted, end);
    }

    static Split split(const char *p, const char *last, bool atEnd, std::vector<QByteArrayView> &fields,
                       std::deque<QByteArray> &unquoted, const char *&end)
    {
        fields.clear();
        unquoted.clear();
        for (;;) {
            QByteArrayView field;
            if (p < last && *p == '"') {
                const Split quotedField = quoted(p, last, atEnd, field, unquoted);
                if (quotedField != Whole)
                    return quotedField;
            } else {
                const char *start = p;
                while (p < last && *p != ',' && *p != '\r' && *p != '\n')
                    ++p;
                field = QByteArrayView(start, p - start);
            }
            fields.push_back(field);
            if (p >= last) {
                if (!atEnd)
                    return NeedMore;
                end = p;
                return Whole;
            }
            const char c = *p++;
            if (c == ',')
                continue;
            if (c == '\r') {
                if (p >= last && !atEnd)
                    return NeedMore; // its LF may come with the next piece
                if (p < last && *p == '\n')
                    ++p;
            }
            end = p;
            return Whole;
        }
    }

    static Split quoted(const char *&p, const char *last, bool atEnd, QByteArrayView &field,
                        std::deque<QByteArray> &unquoted)
    {
        const char *start = ++p;
        QByteArray *copy = nullptr; // only for a field with doubled quotes
        for (;;) {
            const char *quote = static_cast<const char *>(std::memchr(p, '"', size_t(last - p)));
            if (!quote)
                return atEnd ? BadQuotes : NeedMore; // the file ends inside the quotes
            if (quote + 1 >= last && !atEnd)
                return NeedMore; // a doubled quote may be cut in two
            if (quote + 1 < last && quote[1] == '"') {
                if (!copy)
                    copy = &unquoted.emplace_back();
                copy->append(p, quote + 1 - p);
                p = quote + 2;
                continue;
            }
            if (quote + 1 < last && quote[1] != ',' && quote[1] != '\r' && quote[1] != '\n')
                return BadQuotes; // text after the closing quote
            if (copy) {
                copy->append(p, quote - p);
                field = *copy;
            } else {
                field = QByteArrayView(start, quote - start);
            }
            p = quote + 1;
            return Whole;
        }
    }

    Outcome fill()
    {
        if (m_cancel.load(std::memory_order_relaxed))
            return Cancelled;
        // What was read already goes; the record begun stays.
        if (m_start > 0) {
            m_buffer.remove(0, m_start);
            m_start = 0;
        }
        const qsizetype had = m_buffer.size();
        m_buffer.resize(had + Piece);
        const qint64 n = m_device.read(m_buffer.data() + had, Piece);
        if (n < 0)
            return Failed;
        m_buffer.resize(had + qsizetype(n));
        if (n == 0)
            m_atEnd = true;
        return Record;
    }

    static constexpr qsizetype Piece = 1 << 20;
    QIODevice &m_device;
    const std::atomic<bool> &m_cancel;
    const qsizetype m_longest;
    QByteArray m_buffer;
    qsizetype m_start = 0;
    bool m_atEnd = false;
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

// A name as a walk gives it: not empty, not "." or "..", no NUL and no
// directory separator, which would make it name another file.
bool isPlainName(QStringView name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        if (c.unicode() == 0 || isDirSeparator(c))
            return false;
    }
    return true;
}

// An absolute directory without "." or ".." steps and without NUL.
bool isPlainDirectory(const QString &directory)
{
    if (!QDir::isAbsolutePath(directory) || directory.contains(QChar(0)))
        return false;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= directory.size(); ++i) {
        if (i < directory.size() && !isDirSeparator(directory[i]))
            continue;
        const QStringView step = QStringView(directory).sliced(start, i - start);
        if (step == QLatin1String(".") || step == QLatin1String(".."))
            return false;
        start = i + 1;
    }
    return true;
}

} // namespace

CsvReadResult readListCsv(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const std::atomic<bool> never{false};
    return readListCsv(buffer, never);
}

namespace {

// notUtf8 becomes true when reading stopped at bytes that are not UTF-8.
CsvReadResult readRecords(QIODevice &device, const std::atomic<bool> &cancel, const CsvReadLimits &limits,
                          bool cp932, bool &notUtf8)
{
    CsvReadResult result;
    const auto stop = [&result](CsvReadResult::Status status, qint64 line = 0) {
        result = CsvReadResult();
        result.status = status;
        result.line = line;
        return result;
    };
    Records records(device, cancel, limits.longestRecord);
    std::vector<QByteArrayView> fields;
    QByteArrayView raw;
    QByteArray decoded;
    std::deque<QByteArray> decodedUnquoted;
    // The next record, in UTF-8 whatever the file's encoding; Broken also
    // for bytes of neither encoding.
    const auto next = [&]() {
        const Records::Outcome outcome = records.next(fields, raw);
        if (outcome != Records::Record)
            return outcome;
        if (!cp932) {
            notUtf8 = !isUtf8(raw);
            return notUtf8 ? Records::Broken : outcome;
        }
        QString text;
        if (!fromCp932(raw, text))
            return Records::Broken;
        decoded = text.toUtf8();
        return Records::splitWhole(decoded, fields, decodedUnquoted) ? outcome : Records::Broken;
    };

    Records::Outcome outcome = next();
    if (outcome == Records::Cancelled || outcome == Records::Failed)
        return stop(outcome == Records::Cancelled ? CsvReadResult::Cancelled : CsvReadResult::Unreadable);
    if (outcome != Records::Record)
        return stop(CsvReadResult::NotAList);
    if (!fields.empty() && fields[0].startsWith("\xEF\xBB\xBF"))
        fields[0] = fields[0].sliced(3);
    qsizetype nameAt = -1, sizeAt = -1, timeAt = -1, directoryAt = -1, digestAt = -1, stateAt = -1,
              foundSizeAt = -1, foundTimeAt = -1;
    for (qsizetype i = 0; i < qsizetype(fields.size()); ++i) {
        const QString title = QString::fromUtf8(fields[size_t(i)]).trimmed();
        for (const auto &[wanted, at] :
             {std::pair{&NameTitle, &nameAt}, std::pair{&SizeTitle, &sizeAt}, std::pair{&TimeTitle, &timeAt},
              std::pair{&DirectoryTitle, &directoryAt}, std::pair{&DigestTitle, &digestAt},
              std::pair{&StateTitle, &stateAt}, std::pair{&FoundSizeTitle, &foundSizeAt},
              std::pair{&FoundTimeTitle, &foundTimeAt}}) {
            if (title == *wanted && *at < 0)
                *at = i;
        }
    }
    if (nameAt < 0 || sizeAt < 0 || timeAt < 0 || directoryAt < 0)
        return stop(CsvReadResult::NotAList);
    const size_t needed = size_t(std::max({nameAt, sizeAt, timeAt, directoryAt})) + 1;

    // The states as the writer spells them; index 0, none, is the empty cell.
    QByteArray stateTexts[CheckStateCount];
    for (int k = 0; k < CheckStateCount; ++k)
        stateTexts[k] = stateText(CheckState(k)).toUtf8();
    const auto cell = [&fields](qsizetype at) {
        return at >= 0 && size_t(at) < fields.size() ? fields[size_t(at)].trimmed() : QByteArrayView();
    };

    LocalClock clock;
    QByteArray lastDirectory; // as the file spells it
    QString directory;
    std::vector<CsvList::Run> &out = result.list.directories;
    FlatArray<char16_t> &names = result.list.names;
    // Each name on its own: a byte-order mark that begins one is part of it.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    result.list.cp932 = cp932;
    qint64 line = 1;
    for (;;) {
        ++line;
        outcome = next();
        if (outcome == Records::End)
            break;
        if (outcome == Records::Cancelled)
            return stop(CsvReadResult::Cancelled);
        if (outcome == Records::Failed)
            return stop(CsvReadResult::Unreadable);
        if (outcome != Records::Record)
            return stop(CsvReadResult::BadLine, line);
        // Rows a spreadsheet leaves empty at the end say nothing.
        if (std::all_of(fields.begin(), fields.end(), [](QByteArrayView f) { return f.isEmpty(); }))
            continue;
        if (fields.size() < needed)
            return stop(CsvReadResult::BadLine, line);
        if (result.list.rows >= limits.rows)
            return stop(CsvReadResult::TooManyRows, line);
        NamedFile file;
        bool withSeconds = true;
        if (!wholeNumber(fields[size_t(sizeAt)], file.stamp.size)
            || !parseCsvTime(fields[size_t(timeAt)], clock, file.stamp.modified, withSeconds))
            return stop(CsvReadResult::BadLine, line);
        // The name is decoded straight into the block of names (UTF-16 takes
        // no more code units than UTF-8 takes bytes); a list points at its
        // names by 32-bit places.
        const QByteArrayView nameBytes = fields[size_t(nameAt)];
        const size_t start = names.size();
        names.reserveMore(size_t(nameBytes.size()));
        QChar *const begin = reinterpret_cast<QChar *>(names.data() + start);
        const size_t length = size_t(utf8.appendToBuffer(begin, nameBytes) - begin);
        if (start + length > std::numeric_limits<quint32>::max())
            throw std::bad_alloc();
        names.resize(start + length);
        if (!isPlainName(QStringView(begin, qsizetype(length))))
            return stop(CsvReadResult::BadLine, line);
        file.name = quint32(start);
        file.nameLength = quint32(length);
        if (digestAt >= 0) {
            const QByteArrayView hex = size_t(digestAt) < fields.size() ? fields[size_t(digestAt)] : QByteArrayView();
            QByteArray digest = digestFromHex(hex);
            if (!hex.isEmpty() && digest.isEmpty())
                return stop(CsvReadResult::BadLine, line);
            result.list.digests.push_back(std::move(digest));
        }
        result.list.minuteOnly.push_back(withSeconds ? 0 : 1);
        if (stateAt >= 0) {
            // A state misread would put a row into the record or out of it:
            // a text that is none of them refuses the file.
            const QByteArrayView text = cell(stateAt);
            int k = 0;
            while (k < CheckStateCount && text != stateTexts[k])
                ++k;
            if (k >= CheckStateCount)
                return stop(CsvReadResult::BadLine, line);
            CheckState state = CheckState(k);
            if (carriesFound(state)) {
                const QByteArrayView size = cell(foundSizeAt), time = cell(foundTimeAt);
                CsvList::Found found{result.list.rows, 0, 0};
                bool foundSeconds = true;
                if (size.isEmpty() && time.isEmpty())
                    state = CheckState::None; // nothing found to show or apply
                else if (!wholeNumber(size, found.size) || !parseCsvTime(time, clock, found.modified, foundSeconds))
                    return stop(CsvReadResult::BadLine, line);
                else
                    result.list.found.push_back(found);
            }
            result.list.states.push_back(state);
        }
        // The directory's bytes are kept, not a view of them: the piece
        // they were in, or the copy made for doubled quotes, is gone by the
        // next row.
        const QByteArrayView directoryBytes = fields[size_t(directoryAt)];
        if (out.empty() || directoryBytes != lastDirectory) {
            directory = fromNativePath(QString::fromUtf8(directoryBytes));
            if (!isPlainDirectory(directory))
                return stop(CsvReadResult::BadLine, line);
            if (!directory.endsWith(QLatin1Char('/')))
                directory += QLatin1Char('/');
            lastDirectory = directoryBytes.toByteArray();
            out.push_back(CsvList::Run{directory, result.list.files.size(), 0});
        }
        result.list.files.push_back(file);
        ++out.back().count;
        ++result.list.rows;
    }
    return result;
}

} // namespace

CsvReadResult readListCsv(QIODevice &device, const std::atomic<bool> &cancel, const CsvReadLimits &limits)
{
    try {
        // A file with a byte-order mark, or UTF-8 throughout, is UTF-8; any
        // other was saved again by a spreadsheet on a Japanese desktop, in
        // code page 932, and is read again from its start as that.
        const bool marked = device.peek(3).startsWith("\xEF\xBB\xBF");
        bool notUtf8 = false;
        CsvReadResult result = readRecords(device, cancel, limits, false, notUtf8);
        if (!notUtf8 || marked || !device.seek(0))
            return result;
        CsvReadResult second = readRecords(device, cancel, limits, true, notUtf8);
        // A file that is neither says where UTF-8 failed.
        if (second.status == CsvReadResult::NotAList)
            return result;
        return second;
    } catch (const std::bad_alloc &) {
        CsvReadResult result;
        result.status = CsvReadResult::TooManyRows;
        return result;
    }
}

} // namespace qn
