#include "settings/SettingsFile.h"

#include "platform/FileSystem.h"

#include <QBuffer>
#include <QIODevice>

#include <limits>

namespace qn {

namespace {

constexpr int FieldCount = 10;
// No path or name comes near this; a longer field is garbage, not a setting.
constexpr qsizetype MaxFieldBytes = 32 * 1024;

void appendInteger(QByteArray &out, int value)
{
    const qint64 v = value;
    out.append(v < 0 ? '-' : ' ');
    out.append(QByteArray::number(v < 0 ? -v : v));
    out.append(" \r\n");
}

void appendText(QByteArray &out, const QString &value)
{
    const QByteArray bytes = encodeName(value);
    const bool quoted = bytes.contains(',') || bytes.contains('"') || bytes.contains('\r')
                        || bytes.contains('\n') || bytes.startsWith(' ') || bytes.startsWith('\t');
    if (quoted) {
        out.append('"');
        for (char c : bytes) {
            if (c == '"')
                out.append('"');
            out.append(c);
        }
        out.append('"');
    } else {
        out.append(bytes);
    }
    out.append("\r\n");
}

// Reads fields one byte at a time so that nothing past the tenth is read,
// and gives up on a field that runs past any sensible length.
class FieldReader {
public:
    explicit FieldReader(QIODevice &in) : m_in(in) {}

    // False when the file ends before a field starts, or the field is bad.
    bool read(QByteArray &field)
    {
        field.clear();
        m_budget = MaxFieldBytes;
        const bool pending = m_pendingField;
        m_pendingField = false;
        char c;
        do {
            if (!get(c))
                return pending && !m_overrun; // "x," at the very end: an empty field follows
        } while (c == ' ' || c == '\t');

        bool quoted = false;
        if (c == '"') {
            if (!readQuoted(field))
                return false;
            quoted = true;
            if (!get(c))
                return !m_overrun;
        }
        for (;;) {
            if (c == ',') {
                m_pendingField = true;
                return true;
            }
            if (c == '\r' || c == '\n') {
                endLine(c);
                return true;
            }
            if (!quoted)
                field.append(c); // after a closing quote the rest of the field is dropped
            if (!get(c))
                return !m_overrun;
        }
    }

private:
    bool get(char &c)
    {
        if (m_hasUnread) {
            c = m_unread;
            m_hasUnread = false;
            return true;
        }
        if (--m_budget < 0) {
            m_overrun = true;
            return false;
        }
        return m_in.getChar(&c);
    }

    // CR LF is one line end; so is a lone CR or LF.
    void endLine(char c)
    {
        char next;
        if (c == '\r' && get(next) && next != '\n')
            unread(next);
    }

    // Reads up to the closing quote; a doubled quote stands for one.
    bool readQuoted(QByteArray &field)
    {
        char c;
        for (;;) {
            if (!get(c))
                return false;
            if (c == '"') {
                char next;
                if (!get(next))
                    return !m_overrun; // the closing quote ends the file
                if (next != '"') {
                    unread(next);
                    return true;
                }
            }
            field.append(c);
        }
    }

    void unread(char c)
    {
        m_unread = c;
        m_hasUnread = true;
    }

    QIODevice &m_in;
    char m_unread = 0;
    bool m_hasUnread = false;
    bool m_pendingField = false;
    bool m_overrun = false;
    qsizetype m_budget = 0;
};

std::optional<int> toInteger(const QByteArray &field)
{
    const QByteArray t = field.trimmed();
    if (t.isEmpty() || t.size() > 16)
        return std::nullopt;
    qsizetype i = 0;
    const bool negative = t[0] == '-';
    if (t[0] == '-' || t[0] == '+')
        ++i;
    if (i == t.size())
        return std::nullopt;
    qint64 v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            return std::nullopt;
        v = v * 10 + (t[i] - '0');
    }
    if (negative)
        v = -v;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(v);
}

QString toText(const QByteArray &field) { return decodeName(field.constData(), field.size()); }

} // namespace

QByteArray SettingsFileText(const SettingsRecord &record)
{
    QByteArray out;
    for (int w : record.columnWidths)
        appendInteger(out, w);
    appendText(out, record.lastGoodDrive);
    appendText(out, nativePath(record.listDirectory));
    appendText(out, nativePath(record.saveDirectory));
    appendText(out, record.saveFileName);
    appendInteger(out, record.sizeUnit);
    appendInteger(out, record.settingsSaveOption);
    return out;
}

std::optional<SettingsRecord> readSettings(QIODevice &in)
{
    // A byte-order mark left by an editor is not part of the first field.
    QByteArray bom = in.peek(3);
    if (bom == QByteArray("\xEF\xBB\xBF"))
        in.skip(3);

    FieldReader reader(in);
    QByteArray fields[FieldCount];
    for (QByteArray &field : fields) {
        if (!reader.read(field))
            return std::nullopt;
    }

    SettingsRecord record;
    for (int i = 0; i < 4; ++i) {
        const auto width = toInteger(fields[i]);
        if (!width || *width < 0 || *width > MaxColumnTwips)
            return std::nullopt;
        record.columnWidths[i] = *width;
    }
    // A NUL cannot be part of a path or a name: the system would see the
    // text cut short and name another file.
    for (int i = 4; i < 8; ++i) {
        if (fields[i].contains('\0'))
            return std::nullopt;
    }
    record.lastGoodDrive = toText(fields[4]);
    record.listDirectory = fromNativePath(toText(fields[5]));
    record.saveDirectory = fromNativePath(toText(fields[6]));
    record.saveFileName = toText(fields[7]);
    if (record.saveDirectory.isEmpty())
        return std::nullopt;
    const auto unit = toInteger(fields[8]);
    const auto save = toInteger(fields[9]);
    if (!unit || *unit < 0 || *unit > 3 || !save || *save < 0 || *save > 1)
        return std::nullopt;
    record.sizeUnit = *unit;
    record.settingsSaveOption = *save;
    return record;
}

std::optional<SettingsRecord> readSettings(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return readSettings(buffer);
}

} // namespace qn
