#include "output/XlsxFile.h"

#include "list/Check.h"
#include "list/EntryTable.h"
#include "list/LocalClock.h"
#include "platform/Digest.h"
#include "platform/FileSystem.h"
#include "platform/SafeWrite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <xlsxwriter.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace qn {

namespace {

const QString SheetName = QStringLiteral("リスト");
const QString TotalsSheet = QStringLiteral("合計");
const QString FilesTitle = QStringLiteral("ファイル数");
const QString BytesTitle = QStringLiteral("バイト数");

// A double holds every integer up to 2^53, but Excel and LibreOffice show
// only 15 significant digits (9,007,199,254,740,992 reads ...990): a size
// of more digits is written as its digits so no byte is lost.
constexpr qint64 ExactLimit = 999'999'999'999'999;
// Columns as wide as their content, but never wider than this (characters).
constexpr double WidestColumn = 80;
// A cell holds at most this many characters.
constexpr qsizetype CellLimit = 32767;

// Columns as wide as their text: characters of the wide East Asian blocks
// count twice.
int textWidth(QStringView text)
{
    int width = 0;
    for (QChar c : text)
        width += c.unicode() >= 0x1100 && !c.isLowSurrogate() ? 2 : 1;
    return width;
}

// yyyy-MM-dd HH:mm:ss, as the CSV has it.
QByteArray csvTime(qint64 seconds, const LocalTime &t)
{
    if (t.year < 1 || t.year > 9999)
        return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
    char text[20];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return QByteArray(text, 19);
}

// Writes one sheet after another; every call tells whether the workbook
// library took it.
class Writer {
public:
    Writer(lxw_workbook *book, bool checked, bool digests) : m_book(book), m_checked(checked), m_digests(digests)
    {
        m_bold = workbook_add_format(book);
        format_set_bold(m_bold);
        m_size = workbook_add_format(book);
        format_set_num_format(m_size, "#,##0");
        m_date = workbook_add_format(book);
        format_set_num_format(m_date, "yyyy/mm/dd hh:mm:ss");
        m_titles = {QStringLiteral("ファイル名"), BytesTitle, QStringLiteral("更新日時"), QStringLiteral("ディレクトリ"),
                    QStringLiteral("パス")};
        if (checked)
            m_titles.append(QStringLiteral("照合"));
        if (digests)
            m_titles.append(QStringLiteral("SHA-256"));
        for (int s = 0; s < 7; ++s) {
            m_states[s] = stateText(CheckState(s)).toUtf8();
            m_stateWidths[s] = textWidth(stateText(CheckState(s)));
        }
    }

    bool ok() const { return m_ok; }

    void startSheet(int number)
    {
        finishSheet();
        m_sheet = workbook_add_worksheet(m_book, xlsxSheetName(number).toUtf8().constData());
        m_ok = m_ok && m_sheet;
        if (!m_ok)
            return;
        m_row = 0;
        m_widths.assign(size_t(m_titles.size()), 0);
        for (int c = 0; c < m_titles.size(); ++c)
            text(c, m_titles[c].toUtf8(), m_bold, textWidth(m_titles[c]) + 3); // room for the filter's button
        worksheet_freeze_panes(m_sheet, 1, 0);
        m_row = 1;
    }

    void entry(const ListEntry &e)
    {
        // Entries of one directory share their directory string: its text is
        // worked out once for the run.
        if (e.Directory.constData() != m_lastDirectory.constData() || e.Directory != m_lastDirectory
            || m_directory.isNull()) {
            m_lastDirectory = e.Directory;
            m_directoryText = displayName(nativePath(e.Directory));
            m_directory = m_directoryText.toUtf8();
            m_directoryWidth = textWidth(m_directoryText);
        }
        const QString name = displayName(e.FileName);
        const QByteArray nameBytes = name.toUtf8();
        const int nameWidth = textWidth(name);
        text(0, nameBytes, nullptr, nameWidth);
        if (e.Size <= ExactLimit) {
            number(1, double(e.Size), m_size);
            int digits = 1;
            for (qint64 v = e.Size; v >= 10; v /= 10)
                ++digits;
            width(1, digits + (digits - 1) / 3);
        } else {
            const QByteArray digits = QByteArray::number(e.Size);
            text(1, digits, nullptr, int(digits.size()));
        }
        time(2, e.Modified);
        text(3, m_directory, nullptr, m_directoryWidth);
        text(4, m_directory + nameBytes, nullptr, m_directoryWidth + nameWidth);
        int c = 5;
        if (m_checked) {
            text(c++, m_states[int(e.State)], nullptr, m_stateWidths[int(e.State)]);
        }
        if (m_digests)
            text(c, digestHex(e.Sha256), nullptr, 64);
        ++m_row;
    }

    int row() const { return int(m_row); }

    void totals(int files, qint64 bytes)
    {
        finishSheet();
        m_sheet = workbook_add_worksheet(m_book, TotalsSheet.toUtf8().constData());
        m_ok = m_ok && m_sheet;
        if (!m_ok)
            return;
        m_row = 0;
        m_widths.assign(2, 0);
        text(0, FilesTitle.toUtf8(), m_bold, textWidth(FilesTitle));
        number(1, files, m_size);
        m_row = 1;
        text(0, BytesTitle.toUtf8(), m_bold, textWidth(BytesTitle));
        if (bytes <= ExactLimit)
            number(1, double(bytes), m_size);
        else
            text(1, QByteArray::number(bytes), nullptr, 0);
        width(1, 26);
        setWidths();
    }

private:
    void text(int column, const QByteArray &utf8, lxw_format *format, int w)
    {
        if (!m_ok)
            return;
        lxw_error error = worksheet_write_string(m_sheet, m_row, lxw_col_t(column), utf8.constData(), format);
        if (error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED) {
            // Only a path past 32,767 characters: it keeps as much as a cell holds.
            const QByteArray cut = QString::fromUtf8(utf8).left(CellLimit).toUtf8();
            error = worksheet_write_string(m_sheet, m_row, lxw_col_t(column), cut.constData(), format);
        }
        m_ok = error == LXW_NO_ERROR;
        width(column, w);
    }
    void number(int column, double value, lxw_format *format)
    {
        if (m_ok)
            m_ok = worksheet_write_number(m_sheet, m_row, lxw_col_t(column), value, format) == LXW_NO_ERROR;
    }
    void time(int column, qint64 seconds)
    {
        const LocalTime t = m_clock.at(seconds);
        const bool before = t.year < 1900 || (t.year == 1900 && t.month < 3);
        if (before || t.year > 9999) {
            text(column, csvTime(seconds, t), nullptr, 19);
            return;
        }
        // Days since 1899-12-30, the workbook's day 0 from March 1900 on.
        const double serial = double(daysFromCivil(t.year, t.month, t.day) - daysFromCivil(1899, 12, 30))
                              + double(t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
        number(column, serial, m_date);
        width(column, 19);
    }
    void width(int column, int w)
    {
        int &widest = m_widths[size_t(column)];
        widest = std::max(widest, w);
    }
    void setWidths()
    {
        for (size_t c = 0; c < m_widths.size(); ++c)
            worksheet_set_column(m_sheet, lxw_col_t(c), lxw_col_t(c),
                                 std::min(WidestColumn, double(m_widths[c]) + 1.5), nullptr);
    }
    void finishSheet()
    {
        if (!m_sheet || !m_ok)
            return;
        setWidths();
        worksheet_autofilter(m_sheet, 0, 0, m_row - 1, lxw_col_t(m_titles.size() - 1));
    }

    lxw_workbook *m_book;
    lxw_worksheet *m_sheet = nullptr;
    lxw_format *m_bold = nullptr;
    lxw_format *m_size = nullptr;
    lxw_format *m_date = nullptr;
    bool m_checked;
    bool m_digests;
    bool m_ok = true;
    lxw_row_t m_row = 0;
    QStringList m_titles;
    QByteArray m_states[7];
    int m_stateWidths[7] = {};
    std::vector<int> m_widths;
    LocalClock m_clock;
    QString m_lastDirectory;
    QString m_directoryText;
    QByteArray m_directory;
    int m_directoryWidth = 0;
};

bool cancelled(const XlsxOptions &options)
{
    return options.cancel && options.cancel->load(std::memory_order_relaxed);
}

// The finished temporary file into path through the safe write, a block at
// a time, so the whole workbook is never held in memory.
bool commitCopy(const QString &source, const QString &path)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        // A folder that takes no new file: the safe write's in-place rewrite
        // of a file the user may write, with the bytes at hand.
        return saveBytes(path, in.readAll());
    }
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(block.data(), block.size());
        if (got < 0) {
            out.cancelWriting();
            out.commit();
            return false;
        }
        if (got == 0)
            break;
        for (qint64 done = 0; done < got;) {
            const qint64 written = out.write(block.constData() + done, got - done);
            if (written <= 0) {
                out.cancelWriting();
                out.commit(); // removes the temporary file
                return false;
            }
            done += written;
        }
    }
    if (out.error() != QFileDevice::NoError || !syncFile(out.handle())) {
        out.cancelWriting();
        out.commit();
        return false;
    }
    return out.commit();
}

quint32 le32(const uchar *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
quint16 le16(const uchar *p)
{
    return quint16(p[0] | p[1] << 8);
}

// The rows one compressed sheet of the workbook holds (its "</row>" tags),
// or -1 when it cannot be read whole.
qint64 sheetRows(QFile &zip, qint64 dataOffset, qint64 compressedSize)
{
    if (!zip.seek(dataOffset))
        return -1;
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return -1;
    QByteArray in(1 << 16, Qt::Uninitialized);
    QByteArray out(1 << 18, Qt::Uninitialized);
    static constexpr char Tag[] = "</row>";
    constexpr int TagLength = 6;
    char carry[TagLength] = {};
    int carried = 0;
    qint64 rows = 0;
    qint64 left = compressedSize;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (stream.avail_in == 0) {
            const qint64 got = zip.read(in.data(), std::min<qint64>(in.size(), left));
            if (got <= 0)
                break;
            left -= got;
            stream.next_in = reinterpret_cast<Bytef *>(in.data());
            stream.avail_in = uInt(got);
        }
        stream.next_out = reinterpret_cast<Bytef *>(out.data());
        stream.avail_out = uInt(out.size());
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
        const qsizetype produced = out.size() - qsizetype(stream.avail_out);
        // A tag cut by the block's end is found with the bytes kept from the last block.
        QByteArray window(carry, carried);
        window.append(out.constData(), std::min<qsizetype>(produced, TagLength));
        for (qsizetype at = window.indexOf(Tag); at >= 0 && at < carried; at = window.indexOf(Tag, at + 1))
            ++rows;
        for (qsizetype at = QByteArrayView(out.constData(), produced).indexOf(Tag); at >= 0;
             at = QByteArrayView(out.constData(), produced).indexOf(Tag, at + 1))
            ++rows;
        carried = int(std::min<qsizetype>(produced, TagLength - 1));
        std::memcpy(carry, out.constData() + produced - carried, size_t(carried));
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END ? rows : -1;
}

// Whether every sheet of the finished workbook holds the rows written to it.
// The workbook library writes its rows through temporary files and does not
// notice when the disk refuses them (full, or past a size limit): it would
// finish a workbook with rows missing.
bool holdsRows(const QString &path, const std::vector<qint64> &rowsPerSheet)
{
    QFile zip(path);
    if (!zip.open(QIODevice::ReadOnly) || zip.size() < 22)
        return false;
    const qint64 tailSize = std::min<qint64>(zip.size(), 65536 + 22);
    zip.seek(zip.size() - tailSize);
    const QByteArray tail = zip.read(tailSize);
    const qsizetype end = tail.lastIndexOf(QByteArrayView("PK\x05\x06", 4));
    if (end < 0 || tail.size() - end < 22)
        return false;
    const auto *e = reinterpret_cast<const uchar *>(tail.constData() + end);
    const quint16 entries = le16(e + 10);
    const quint32 directorySize = le32(e + 12);
    const quint32 directoryOffset = le32(e + 16);
    zip.seek(directoryOffset);
    const QByteArray directory = zip.read(directorySize);
    if (directory.size() != qsizetype(directorySize))
        return false;
    size_t checked = 0;
    qsizetype at = 0;
    for (int n = 0; n < entries; ++n) {
        if (directory.size() - at < 46)
            return false;
        const auto *h = reinterpret_cast<const uchar *>(directory.constData() + at);
        if (le32(h) != 0x02014b50)
            return false;
        const quint32 compressed = le32(h + 20);
        const quint16 nameLength = le16(h + 28);
        const quint32 local = le32(h + 42);
        const QByteArray name = directory.mid(at + 46, nameLength);
        at += 46 + nameLength + le16(h + 30) + le16(h + 32);
        if (!name.startsWith("xl/worksheets/sheet") || !name.endsWith(".xml"))
            continue;
        bool isNumber = false;
        const int sheet = name.mid(19, name.size() - 23).toInt(&isNumber);
        if (!isNumber || sheet < 1 || size_t(sheet) > rowsPerSheet.size())
            return false;
        uchar header[30];
        if (!zip.seek(local) || zip.read(reinterpret_cast<char *>(header), 30) != 30 || le32(header) != 0x04034b50)
            return false;
        const qint64 data = qint64(local) + 30 + le16(header + 26) + le16(header + 28);
        if (sheetRows(zip, data, compressed) != rowsPerSheet[size_t(sheet - 1)])
            return false;
        ++checked;
    }
    return checked == rowsPerSheet.size();
}

} // namespace

QString xlsxSheetName(int sheet)
{
    return sheet <= 1 ? SheetName : SheetName + QStringLiteral(" (%1)").arg(sheet);
}

QString xlsxTotalsSheetName()
{
    return TotalsSheet;
}

XlsxResult saveXlsxFile(const QString &path, const EntryTable &table, const XlsxOptions &options,
                        ReplacedNames *replaced)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return XlsxResult::Failed;
    // The workbook is made beside its target, where the rename that ends the
    // safe write is cheap; in the system's temporary folder when the target's
    // folder takes no new file.
    const QString folder = QFileInfo(path).absolutePath();
    QTemporaryFile temporary(folder + QStringLiteral("/.quilnaver-XXXXXX.xlsx"));
    if (!canCreateFilesIn(folder) || !temporary.open())
        temporary.setFileTemplate(QDir::tempPath() + QStringLiteral("/quilnaver-XXXXXX.xlsx"));
    if (!temporary.isOpen() && !temporary.open())
        return XlsxResult::Failed;
    temporary.close();
    const QString workbookPath = temporary.fileName();

    lxw_workbook_options bookOptions{};
    bookOptions.constant_memory = LXW_TRUE;
    const QByteArray workbookName = encodeName(nativePath(workbookPath));
    lxw_workbook *book = workbook_new_opt(workbookName.constData(), &bookOptions);
    if (!book)
        return XlsxResult::Failed;

    Writer writer(book, table.IsChecked(), table.HasDigests());
    const int count = table.EntryCount();
    const int perSheet = std::max(1, options.rowsPerSheet);
    int sheet = 1;
    std::vector<qint64> rows;
    writer.startSheet(sheet);
    for (int i = 1; i <= count && writer.ok(); ++i) {
        if (cancelled(options)) {
            lxw_workbook_free(book);
            return XlsxResult::Cancelled;
        }
        if (writer.row() > perSheet) {
            rows.push_back(writer.row());
            writer.startSheet(++sheet);
        }
        const ListEntry &e = table.at(i);
        if (replaced && (hasUndecodableBytes(e.FileName) || hasUndecodableBytes(e.Directory)))
            replaced->add(displayName(e.FileName), displayName(e.FileName));
        writer.entry(e);
        if (options.progress && (i == 1 || (i & 4095) == 0))
            options.progress(i);
    }
    rows.push_back(writer.row());
    rows.push_back(2);
    writer.totals(count, table.TotalBytes());
    if (!writer.ok()) {
        lxw_workbook_free(book);
        return XlsxResult::Failed;
    }
    if (workbook_close(book) != LXW_NO_ERROR || !holdsRows(workbookPath, rows))
        return XlsxResult::Failed;
    if (cancelled(options))
        return XlsxResult::Cancelled;
    return commitCopy(workbookPath, path) ? XlsxResult::Written : XlsxResult::Failed;
}

} // namespace qn
