#include "output/XlsxFile.h"

#include "list/Check.h"
#include "list/EntryTable.h"
#include "list/LocalClock.h"
#include "list/TableLease.h"
#include "output/CsvTime.h"
#include "output/GridTitles.h"
#include "output/ZipWriter.h"
#include "platform/Digest.h"
#include "platform/FileSystem.h"
#include "platform/SafeWrite.h"

#include <QDateTime>
#include <QDir>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
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
// The workbook's fixed parts. Styles: 0 plain, 1 bold (titles), 2 #,##0
// (sizes), 3 yyyy/mm/dd hh:mm:ss (times).
const char XmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
const char MainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char RelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A row's markup, and the cells it is made of.
const char RowOpen[] = "<row r=\"";
const char RowTagEnd[] = "\">";
const char RowClose[] = "</row>";
const char TextOpen[] = "<c t=\"inlineStr\"><is><t>";
const char PreservedOpen[] = "<c t=\"inlineStr\"><is><t xml:space=\"preserve\">";
const char TextClose[] = "</t></is></c>";
const char SizeOpen[] = "<c s=\"2\"><v>";
const char TimeOpen[] = "<c s=\"3\"><v>";
const char ValueClose[] = "</v></c>";
const char NoneFound[] = "<c/><c/>";

template <size_t N>
constexpr quint64 length(const char (&)[N])
{
    return N - 1;
}

// The most characters of a row number (an int), a size (a qint64 with its
// sign), a date-time's serial number (a double at its shortest).
constexpr quint64 RowDigits = 10;
constexpr quint64 SizeDigits = 20;
constexpr size_t SerialRoom = 32;
// The most bytes one UTF-16 unit of text takes in a cell: _xHHHH_ for a
// control character, U+FFFE, U+FFFF or a "_" before an "x"; the XML
// characters take 4 to 6 (&quot;), the others 1 to 3 (a pair 4 for 2).
constexpr quint64 EscapedUnit = 7;

QByteArray stylesXml()
{
    return QByteArray(XmlHead) + "<styleSheet xmlns=\"" + MainNs
           + "\"><numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy/mm/dd hh:mm:ss\"/></numFmts>"
             "<fonts count=\"2\"><font><sz val=\"11\"/><color theme=\"1\"/><name val=\"Calibri\"/><family val=\"2\"/>"
             "<scheme val=\"minor\"/></font><font><b/><sz val=\"11\"/><color theme=\"1\"/><name val=\"Calibri\"/>"
             "<family val=\"2\"/><scheme val=\"minor\"/></font></fonts>"
             "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
             "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
             "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
             "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
             "<cellXfs count=\"4\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
             "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
             "<xf numFmtId=\"3\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
             "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
             "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
             "</styleSheet>";
}

QByteArray contentTypesXml(int sheets)
{
    QByteArray x = QByteArray(XmlHead)
                   + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                     "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                     "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                     "<Override PartName=\"/xl/workbook.xml\" "
                     "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                     "<Override PartName=\"/xl/styles.xml\" "
                     "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    for (int s = 1; s <= sheets; ++s)
        x += "<Override PartName=\"/xl/worksheets/sheet" + QByteArray::number(s)
             + ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    return x + "</Types>";
}

QByteArray rootRelsXml()
{
    return QByteArray(XmlHead)
           + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
             "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
}

QByteArray workbookRelsXml(int sheets)
{
    QByteArray x = QByteArray(XmlHead)
                   + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (int s = 1; s <= sheets; ++s)
        x += "<Relationship Id=\"rId" + QByteArray::number(s)
             + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
               "Target=\"worksheets/sheet"
             + QByteArray::number(s) + ".xml\"/>";
    return x + "<Relationship Id=\"rId" + QByteArray::number(sheets + 1)
           + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
             "Target=\"styles.xml\"/></Relationships>";
}

// A column's letters: 0 is A.
QByteArray columnName(int column)
{
    QByteArray name;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        name.prepend(char('A' + (c - 1) % 26));
    return name;
}

// Text as a workbook keeps it: XML's five characters as entities; the control
// characters XML 1.0 cannot hold (and a carriage return, which a reader
// would turn into a line feed) as _xHHHH_, and so a "_x" of the text itself
// as _x005F_x, or a reader would take a name like _x0041_ for an escape.
void appendEscaped(std::string &out, QStringView text)
{
    const qsizetype n = text.size();
    const char16_t *s = text.utf16();
    char hex[8];
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = s[i];
        if (c < 0x80) {
            switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            case '_':
                out += i + 1 < n && s[i + 1] == 'x' ? "_x005F_" : "_";
                break;
            default:
                if (c < 0x20 && c != '\t' && c != '\n') {
                    std::snprintf(hex, sizeof hex, "_x%04X_", unsigned(c));
                    out.append(hex, 7);
                } else {
                    out += char(c);
                }
            }
        } else if (c < 0x800) {
            out += char(0xc0 | (c >> 6));
            out += char(0x80 | (c & 0x3f));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            const char32_t u = QChar::surrogateToUcs4(c, s[++i]);
            out += char(0xf0 | (u >> 18));
            out += char(0x80 | ((u >> 12) & 0x3f));
            out += char(0x80 | ((u >> 6) & 0x3f));
            out += char(0x80 | (u & 0x3f));
        } else if (QChar::isSurrogate(c)) {
            out += "\xef\xbf\xbd"; // a half pair has no character: U+FFFD
        } else if (c >= 0xfffe) {
            std::snprintf(hex, sizeof hex, "_x%04X_", unsigned(c));
            out.append(hex, 7);
        } else {
            out += char(0xe0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3f));
            out += char(0x80 | (c & 0x3f));
        }
    }
}

bool edgeSpace(QStringView text)
{
    return !text.isEmpty() && (text.front().unicode() <= 0x20 || text.back().unicode() <= 0x20
                               || text.front().isSpace() || text.back().isSpace());
}

void appendNumber(std::string &out, qint64 v)
{
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, v);
    out.append(digits, size_t(r.ptr - digits));
}

// The most a row's markup takes, its text cells' characters aside.
quint64 rowMarkupBound(bool checked, bool digests, bool found)
{
    const quint64 textCell = length(PreservedOpen) + length(TextClose);
    const quint64 sizeCell =
        std::max(length(SizeOpen) + SizeDigits + length(ValueClose), length(TextOpen) + SizeDigits + length(TextClose));
    const quint64 timeCell = std::max(length(TimeOpen) + SerialRoom + length(ValueClose),
                                      length(TextOpen) + quint64(CsvTimeRoom) + length(TextClose));
    // Name, directory and path; size; time.
    quint64 row = length(RowOpen) + RowDigits + length(RowTagEnd) + length(RowClose) + 3 * textCell + sizeCell
                  + timeCell;
    if (checked) {
        size_t widest = 0;
        for (int s = 0; s < 7; ++s) {
            std::string state;
            appendEscaped(state, stateText(CheckState(s)));
            widest = std::max(widest, state.size());
        }
        row += length(TextOpen) + widest + length(TextClose);
    }
    if (digests)
        row += length(TextOpen) + 64 + length(TextClose);
    if (found)
        row += std::max(sizeCell + timeCell, length(NoneFound));
    return row;
}

// The most bytes the name, directory and path cells' text takes: each is
// cut to what a cell holds.
quint64 rowTextBound(qsizetype name, qsizetype directory)
{
    return EscapedUnit
           * quint64(std::min(name, CellLimit) + std::min(directory, CellLimit)
                     + std::min(name + directory, CellLimit));
}

// Writes the sheets one after another, each as XML made here a row at a time
// and deflated into the archive as it grows.
class Writer {
public:
    Writer(ZipWriter &zip, bool checked, bool digests, bool found)
        : m_zip(zip), m_checked(checked), m_digests(digests), m_found(found)
    {
        m_titles = {QStringLiteral("ファイル名"), BytesTitle, QStringLiteral("更新日時"), QStringLiteral("ディレクトリ"),
                    QStringLiteral("パス")};
        if (checked)
            m_titles.append(gridColumnTitle(StateCol, 0));
        if (digests)
            m_titles.append(gridColumnTitle(DigestCol, 0));
        // What a check found for the entries that differ, last, as the CSV has it.
        if (found) {
            m_titles.append(gridColumnTitle(FoundSizeCol, 0));
            m_titles.append(gridColumnTitle(FoundDateCol, 0));
        }
        for (int s = 0; s < 7; ++s) {
            m_states[s].clear();
            appendEscaped(m_states[s], stateText(CheckState(s)));
            m_stateWidths[s] = textWidth(stateText(CheckState(s)));
        }
        m_xml.reserve(FlushAt + 256 * 1024);
        m_rowMarkup = rowMarkupBound(checked, digests, found);
    }

    bool ok() const { return m_zip.ok(); }

    // Widths are written before the rows, so they are worked out first from
    // the entries the sheet will hold, with a bound of its XML's size; false
    // when cancelled on the way.
    bool measureSheet(const EntryTable &table, int first, int last, const std::atomic<bool> *cancel)
    {
        m_widths.assign(size_t(m_titles.size()), 0);
        for (int c = 0; c < m_titles.size(); ++c)
            width(c, textWidth(m_titles[c]) + 3); // room for the filter's button
        width(2, 19);
        quint64 bound = XlsxSheetFrame;
        const QString *lastDirectory = nullptr;
        int directoryWidth = 0;
        for (int i = first; i <= last; ++i) {
            if ((i & 4095) == 0 && cancel && cancel->load(std::memory_order_relaxed))
                return false;
            const QString &directory = table.directory(i);
            if (!lastDirectory || directory.constData() != lastDirectory->constData() || directory != *lastDirectory) {
                lastDirectory = &directory;
                directoryWidth = textWidth(displayName(nativePath(directory)));
            }
            const QStringView fileName = table.fileName(i);
            const int nameWidth = textWidth(displayName(fileName.toString()));
            width(0, nameWidth);
            width(1, sizeWidth(table.size(i)));
            width(3, directoryWidth);
            width(4, directoryWidth + nameWidth);
            if (m_checked)
                width(5, m_stateWidths[int(table.state(i))]);
            // A name or directory is shown with as many UTF-16 units as it has.
            bound += m_rowMarkup + rowTextBound(fileName.size(), directory.size());
        }
        if (m_digests)
            width(m_titles.size() - (m_found ? 3 : 1), 64);
        if (m_found) {
            width(m_titles.size() - 2, 16);
            width(m_titles.size() - 1, 19);
        }
        m_bound = bound;
        return true;
    }

    void startSheet(int number)
    {
        m_zip.begin("xl/worksheets/sheet" + QByteArray::number(number) + ".xml", m_bound >= 0xffffffffu);
        m_xml.assign(XmlHead);
        m_xml += "<worksheet xmlns=\"";
        m_xml += MainNs;
        m_xml += "\" xmlns:r=\"";
        m_xml += RelNs;
        m_xml += "\"><sheetViews><sheetView ";
        if (number == 1)
            m_xml += "tabSelected=\"1\" ";
        m_xml += "workbookViewId=\"0\"><pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
                 "state=\"frozen\"/><selection pane=\"bottomLeft\" activeCell=\"A2\" sqref=\"A2\"/></sheetView>"
                 "</sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>";
        appendWidths();
        m_xml += "<sheetData><row r=\"1\">";
        for (const QString &t : m_titles)
            text(t, "1");
        m_xml += "</row>";
        m_row = 1;
    }

    // found: what a check found for the entry, when it differs.
    void entry(const EntryTable &table, int i, const FoundValues *found)
    {
        // Entries of one directory share their directory string: its text is
        // worked out once for the run.
        const QString &directory = table.directory(i);
        if (directory.constData() != m_lastDirectory.constData() || directory != m_lastDirectory
            || !m_haveDirectory) {
            m_haveDirectory = true;
            m_lastDirectory = directory;
            m_directoryText = displayName(nativePath(directory));
            m_directory.clear();
            appendEscaped(m_directory, QStringView(m_directoryText).left(CellLimit));
        }
        // A cell holds at most 32,767 characters: longer text keeps as much
        // as it holds (only a name or folder read from a CSV can be so long).
        const QString name = displayName(table.fileName(i).toString());
        m_name.clear();
        appendEscaped(m_name, QStringView(name).left(CellLimit));
        ++m_row;
        m_xml += RowOpen;
        appendNumber(m_xml, m_row);
        m_xml += RowTagEnd;
        escapedText(m_name, edgeSpace(name));
        number(table.size(i));
        time(table.modified(i));
        escapedText(m_directory, edgeSpace(m_directoryText));
        if (m_directoryText.size() + name.size() <= CellLimit) {
            m_xml += edgeSpace(m_directoryText.isEmpty() ? name : m_directoryText) || edgeSpace(name) ? PreservedOpen
                                                                                                      : TextOpen;
            m_xml += m_directory;
            m_xml += m_name;
            m_xml += TextClose;
        } else {
            text((m_directoryText + name).left(CellLimit), nullptr);
        }
        if (m_checked)
            escapedText(m_states[int(table.state(i))], false);
        if (m_digests)
            escapedText(digestHex(table.digest(i)).toStdString(), false);
        if (m_found) {
            if (found) {
                number(found->Size);
                time(found->Modified);
            } else {
                m_xml += NoneFound;
            }
        }
        m_xml += RowClose;
    }

    // Whether the rows made so far are to be written out.
    bool full() const { return m_xml.size() >= FlushAt; }
    void flush()
    {
        m_zip.write(m_xml.data(), qsizetype(m_xml.size()));
        m_xml.clear();
    }

    void finishSheet()
    {
        m_xml += "</sheetData><autoFilter ref=\"A1:";
        m_xml += columnName(int(m_titles.size()) - 1).toStdString();
        appendNumber(m_xml, m_row);
        m_xml += "\"/>";
        endSheet();
    }

    void totals(int number, int files, qint64 bytes)
    {
        m_zip.begin("xl/worksheets/sheet" + QByteArray::number(number) + ".xml");
        m_widths = {textWidth(FilesTitle), 26};
        m_xml.assign(XmlHead);
        m_xml += "<worksheet xmlns=\"";
        m_xml += MainNs;
        m_xml += "\" xmlns:r=\"";
        m_xml += RelNs;
        m_xml += "\"><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
                 "<sheetFormatPr defaultRowHeight=\"15\"/>";
        appendWidths();
        m_xml += "<sheetData><row r=\"1\">";
        text(FilesTitle, "1");
        m_xml += "<c s=\"2\"><v>";
        appendNumber(m_xml, files);
        m_xml += "</v></c></row><row r=\"2\">";
        text(BytesTitle, "1");
        if (bytes <= ExactLimit) {
            m_xml += "<c s=\"2\"><v>";
            appendNumber(m_xml, bytes);
            m_xml += "</v></c>";
        } else {
            text(QString::number(bytes), nullptr);
        }
        m_xml += "</row></sheetData>";
        endSheet();
    }

    // The workbook part: the sheets' names and their filters' ranges.
    QByteArray workbookXml(const std::vector<qint64> &rows, int totalsSheet) const
    {
        QByteArray x = QByteArray(XmlHead) + "<workbook xmlns=\"" + MainNs + "\" xmlns:r=\"" + RelNs
                       + "\"><bookViews><workbookView/></bookViews><sheets>";
        auto sheet = [&x](const QString &name, int n) {
            std::string escaped;
            appendEscaped(escaped, name);
            x += "<sheet name=\"" + QByteArray::fromStdString(escaped) + "\" sheetId=\"" + QByteArray::number(n)
                 + "\" r:id=\"rId" + QByteArray::number(n) + "\"/>";
        };
        for (int s = 1; s < totalsSheet; ++s)
            sheet(xlsxSheetName(s), s);
        sheet(TotalsSheet, totalsSheet);
        x += "</sheets><definedNames>";
        const QByteArray lastColumn = columnName(int(m_titles.size()) - 1);
        for (int s = 1; s < totalsSheet; ++s) {
            std::string escaped;
            appendEscaped(escaped, xlsxSheetName(s));
            x += "<definedName name=\"_xlnm._FilterDatabase\" localSheetId=\"" + QByteArray::number(s - 1)
                 + "\" hidden=\"1\">&apos;" + QByteArray::fromStdString(escaped) + "&apos;!$A$1:$" + lastColumn + "$"
                 + QByteArray::number(rows[size_t(s - 1)]) + "</definedName>";
        }
        return x + "</definedNames></workbook>";
    }

private:
    static constexpr size_t FlushAt = 1 << 16;

    static int sizeWidth(qint64 size)
    {
        int digits = 1;
        for (qint64 v = size; v >= 10; v /= 10)
            ++digits;
        return size <= ExactLimit ? digits + (digits - 1) / 3 : digits;
    }
    void width(int column, int w)
    {
        int &widest = m_widths[size_t(column)];
        widest = std::max(widest, w);
    }
    // Widths as the workbook stores them: characters of the default font's
    // digit (7 pixels) with its 5 pixels of padding, in 1/256ths.
    void appendWidths()
    {
        m_xml += "<cols>";
        char w[32];
        for (size_t c = 0; c < m_widths.size(); ++c) {
            const double chars = std::min(WidestColumn, double(m_widths[c]) + 1.5);
            const double stored = std::floor((chars * 7 + 5) / 7 * 256) / 256;
            const auto r = std::to_chars(w, w + sizeof w, stored);
            m_xml += "<col min=\"" + std::to_string(c + 1) + "\" max=\"" + std::to_string(c + 1) + "\" width=\"";
            m_xml.append(w, size_t(r.ptr - w));
            m_xml += "\" customWidth=\"1\"/>";
        }
        m_xml += "</cols>";
    }
    void text(const QString &t, const char *style)
    {
        std::string escaped;
        appendEscaped(escaped, t);
        if (style) {
            m_xml += "<c s=\"";
            m_xml += style;
            m_xml += "\"";
        } else {
            m_xml += "<c";
        }
        m_xml += edgeSpace(t) ? " t=\"inlineStr\"><is><t xml:space=\"preserve\">" : " t=\"inlineStr\"><is><t>";
        m_xml += escaped;
        m_xml += TextClose;
    }
    void escapedText(const std::string &escaped, bool preserve)
    {
        m_xml += preserve ? PreservedOpen : TextOpen;
        m_xml += escaped;
        m_xml += TextClose;
    }
    // A size as a number, or as its exact digits where a workbook would round it.
    void number(qint64 size)
    {
        if (size <= ExactLimit) {
            m_xml += SizeOpen;
            appendNumber(m_xml, size);
            m_xml += ValueClose;
        } else {
            m_xml += TextOpen;
            appendNumber(m_xml, size);
            m_xml += TextClose;
        }
    }

    void time(qint64 seconds)
    {
        const CivilTime t = civilTimeOf(m_clock.localSeconds(seconds)); // any year, not only an int's
        const bool before = t.year < 1900 || (t.year == 1900 && t.month < 3);
        if (before || t.year > 9999) {
            char shown[CsvTimeRoom];
            const qsizetype shownLength = formatCsvTime(shown, seconds, true, m_clock);
            m_xml += TextOpen;
            m_xml.append(shown, size_t(shownLength));
            m_xml += TextClose;
            return;
        }
        // Days since 1899-12-30, the workbook's day 0 from March 1900 on.
        const double serial = double(daysFromCivil(t.year, t.month, t.day) - daysFromCivil(1899, 12, 30))
                              + double(t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
        char digits[SerialRoom];
        const auto r = std::to_chars(digits, digits + sizeof digits, serial);
        m_xml += TimeOpen;
        m_xml.append(digits, size_t(r.ptr - digits));
        m_xml += ValueClose;
    }
    void endSheet()
    {
        m_xml += "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
                 "footer=\"0.3\"/></worksheet>";
        flush();
        m_zip.end();
    }

    ZipWriter &m_zip;
    bool m_checked;
    bool m_digests;
    bool m_found;
    qint64 m_row = 0;
    QStringList m_titles;
    std::string m_states[7];
    int m_stateWidths[7] = {};
    std::vector<int> m_widths;
    quint64 m_rowMarkup = 0;
    quint64 m_bound = 0;
    LocalClock m_clock;
    std::string m_xml;
    std::string m_name;
    bool m_haveDirectory = false;
    QString m_lastDirectory;
    QString m_directoryText;
    std::string m_directory;
};

bool cancelled(const XlsxOptions &options)
{
    return options.cancel && options.cancel->load(std::memory_order_relaxed);
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
    // Straight into the safe write's temporary file; a folder that takes no
    // new file gets the workbook made in the system's temporary folder and
    // then the safe write's in-place rewrite.
    QSaveFile target(path);
    QTemporaryFile elsewhere(QDir::tempPath() + QStringLiteral("/quilnaver-XXXXXX.xlsx"));
    QFileDevice *out = &target;
    if (!target.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (!elsewhere.open())
            return XlsxResult::Failed;
        out = &elsewhere;
    }
    // The table is read only under the lease, which is let go whenever the
    // workbook waits on the disk, so a cancel can take the table back.
    LeaseHold hold(options.lease);
    const auto giveUp = [&](XlsxResult result) {
        hold.leave();
        if (out == &target) {
            target.cancelWriting();
            target.commit(); // removes the temporary file
        }
        return result;
    };

    if (!hold.enter())
        return giveUp(XlsxResult::Cancelled);
    const int count = table.EntryCount();
    const qint64 totalBytes = table.TotalBytes();
    const bool hasFound = table.HasFound();
    const int perSheet = std::max(1, options.rowsPerSheet);
    const int sheets = std::max(1, int((qint64(count) + perSheet - 1) / perSheet));
    std::vector<qint64> rows;
    for (int s = 0; s < sheets; ++s)
        rows.push_back(1 + std::min<qint64>(perSheet, count - qint64(s) * perSheet));

    ZipWriter zip(out);
    Writer writer(zip, table.IsChecked(), table.HasDigests(), hasFound);
    hold.leave();
    zip.add("[Content_Types].xml", contentTypesXml(sheets + 1));
    zip.add("_rels/.rels", rootRelsXml());
    zip.add("xl/workbook.xml", writer.workbookXml(rows, sheets + 1));
    zip.add("xl/_rels/workbook.xml.rels", workbookRelsXml(sheets + 1));
    zip.add("xl/styles.xml", stylesXml());
    int i = 1;
    for (int s = 1; s <= sheets && writer.ok(); ++s) {
        const int last = int(std::min<qint64>(count, qint64(s) * perSheet));
        if (!hold.enter() || !writer.measureSheet(table, i, last, options.cancel))
            return giveUp(XlsxResult::Cancelled);
        hold.leave();
        writer.startSheet(s);
        if (!hold.enter())
            return giveUp(XlsxResult::Cancelled);
        for (; i <= last && writer.ok(); ++i) {
            if (cancelled(options))
                return giveUp(XlsxResult::Cancelled);
            if (replaced && (hasUndecodableBytes(table.fileName(i)) || hasUndecodableBytes(table.directory(i)))) {
                const QString shown = displayName(table.fileName(i).toString());
                replaced->add(shown, shown);
            }
            const CheckState state = table.state(i);
            const bool differs = carriesFound(state);
            writer.entry(table, i, differs && table.HasFound(i) ? &table.found(i) : nullptr);
            if (options.progress && (i == 1 || (i & 4095) == 0))
                options.progress(i);
            if (writer.full()) {
                hold.leave();
                writer.flush();
                if (!hold.enter())
                    return giveUp(XlsxResult::Cancelled);
            }
        }
        hold.leave();
        writer.finishSheet();
    }
    writer.totals(sheets + 1, count, totalBytes);
    zip.finish();
    if (cancelled(options))
        return giveUp(XlsxResult::Cancelled);
    if (!zip.ok() || out->error() != QFileDevice::NoError || !syncFile(out->handle()))
        return giveUp(XlsxResult::Failed);
    if (cancelled(options))
        return giveUp(XlsxResult::Cancelled);
    if (out == &target)
        return target.commit() ? XlsxResult::Written : XlsxResult::Failed;
    elsewhere.seek(0);
    return saveBytes(path, elsewhere.readAll()) ? XlsxResult::Written : XlsxResult::Failed;
}

quint64 xlsxRowBound(qsizetype nameUnits, qsizetype directoryUnits, bool checked, bool digests, bool found)
{
    return rowMarkupBound(checked, digests, found) + rowTextBound(nameUnits, directoryUnits);
}

} // namespace qn
