#include "layout/PageLayout.h"

#include "list/Check.h"
#include "list/DateText.h"
#include "list/EntryTable.h"
#include "list/TableLease.h"
#include "output/GridTitles.h"
#include "output/SizeFormat.h"
#include "platform/Digest.h"
#include "platform/FileSystem.h"
#include "platform/SafeWrite.h"

#include <QBuffer>
#include <QDateTime>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace qn {

namespace {

const QString PageNumber = QStringLiteral("%1 / %2 ページ");
const QString FilesTotal = QStringLiteral("総ファイル数 %1");
const QString BytesTotal = QStringLiteral("総バイト数 %1 %2");
const QString Creator = QStringLiteral("Quilnaver");

// Names, folders and digests share the room the other columns leave, by
// what they usually hold; 0 for a column whose text has a known form.
double columnShare(int column)
{
    switch (column) {
    case NameCol:
        return 30;
    case DirCol:
        return 36;
    case DigestCol:
        return 34;
    default:
        return 0;
    }
}


// Rows are this much taller than the font, so lines never touch.
constexpr double RowSpacing = 1.3;

} // namespace

PageGeometry PageGeometry::forHeight(double pageHeight, double lineHeight)
{
    PageGeometry g;
    g.pageHeight = pageHeight;
    g.lineHeight = lineHeight > 0 ? lineHeight : 1;
    const int lines = int(std::floor(pageHeight / g.lineHeight));
    // The totals must fit below the title row on a page of their own.
    g.rowsPerPage = std::max(TotalsLines, lines - HeaderLines - 1);
    return g;
}

int PageGeometry::pageCount(qint64 rows) const
{
    const qint64 lines = std::max<qint64>(rows, 0) + TotalsLines;
    return int(std::max<qint64>(1, (lines + rowsPerPage - 1) / rowsPerPage));
}

PageLayout::PageLayout(const EntryTable &table, PageOptions options)
    : m_table(table), m_options(std::move(options)), m_font(pageFont(8)), m_bold(pageFont(8))
{
    m_bold.setBold(true);
}

bool PageLayout::findWidestSize()
{
    const bool found = m_table.HasFound();
    m_widestSize = 0;
    for (int i = 1; i <= m_count; ++i) {
        if ((i & 4095) == 0 && cancelled())
            return false;
        m_widestSize = std::max(m_widestSize, m_table.size(i));
        if (found && carriesFound(m_table.state(i)))
            m_widestSize = std::max(m_widestSize, m_table.found(i).Size);
    }
    return true;
}

std::vector<double> PageLayout::columnEdges(double width, const QFontMetricsF &metrics, const QFontMetricsF &bold,
                                            double pad) const
{
    const std::vector<int> &columns = m_options.columns;
    std::vector<double> room(columns.size(), 0);
    double fixed = 0, shares = 0;
    SizeFormatter formatter;
    // A time with two digits everywhere, as wide as any.
    const QString widestTime = DateText(QDateTime(QDate(2026, 12, 28), QTime(22, 58, 58)).toSecsSinceEpoch());
    for (size_t c = 0; c < columns.size(); ++c) {
        const int column = columns[c];
        if (columnShare(column) > 0) {
            shares += columnShare(column);
            continue;
        }
        double w = bold.horizontalAdvance(gridColumnTitle(column, m_options.unit));
        if (column == SizeCol || column == FoundSizeCol)
            w = std::max(w, metrics.horizontalAdvance(formatter.sizeText(m_options.unit, m_widestSize)));
        else if (column == DateCol || column == FoundDateCol)
            w = std::max(w, metrics.horizontalAdvance(widestTime));
        else if (column == StateCol)
            for (int s = 0; s < CheckStateCount; ++s)
                w = std::max(w, metrics.horizontalAdvance(stateText(CheckState(s))));
        room[c] = w + 2 * pad;
        fixed += room[c];
    }
    // Names and folders keep at least a third of the page; with more columns
    // than that leaves room for, the others shrink alike and cut their text.
    const double keep = shares > 0 ? width / 3 : 0;
    if (fixed > width - keep && fixed > 0) {
        const double scale = (width - keep) / fixed;
        for (size_t c = 0; c < columns.size(); ++c)
            room[c] *= scale;
        fixed = width - keep;
    }
    const double rest = width - fixed;
    for (size_t c = 0; c < columns.size(); ++c) {
        if (columnShare(columns[c]) > 0)
            room[c] = rest * columnShare(columns[c]) / shares;
        else if (shares == 0 && fixed > 0)
            room[c] += rest * room[c] / fixed;
    }
    std::vector<double> left(columns.size() + 1, 0);
    for (size_t c = 0; c < columns.size(); ++c)
        left[c + 1] = left[c] + room[c];
    return left;
}

bool PageLayout::cancelled() const
{
    return m_options.cancel && m_options.cancel->load(std::memory_order_relaxed);
}

PageGeometry PageLayout::geometryFor(QPagedPaintDevice &device, double *width) const
{
    const QFontMetricsF metrics(m_font, &device);
    if (width)
        *width = device.width();
    return PageGeometry::forHeight(device.height(), metrics.height() * RowSpacing);
}

int PageLayout::measure(QPagedPaintDevice &device)
{
    LeaseHold hold(m_options.lease);
    if (!hold.enter())
        return m_pages;
    m_count = m_table.EntryCount();
    hold.leave();
    m_geometry = geometryFor(device, nullptr);
    m_pages = m_geometry.pageCount(m_count);
    return m_pages;
}

bool PageLayout::paint(QPagedPaintDevice &device)
{
    // The table is read with the lease held: the columns it fills first,
    // then a page's rows at a time.
    LeaseHold hold(m_options.lease);
    if (!hold.enter())
        return false;
    m_count = m_table.EntryCount();
    m_totalBytes = m_table.TotalBytes();
    if (m_options.columns.empty())
        m_options.columns = defaultPageColumns(m_table);
    if (!findWidestSize())
        return false;
    hold.leave();
    double width = 0;
    m_geometry = geometryFor(device, &width);
    m_pages = m_geometry.pageCount(m_count);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    m_left = columnEdges(width, QFontMetricsF(m_font, &device), QFontMetricsF(m_bold, &device),
                         m_geometry.lineHeight * 0.2);
    m_lastCells.assign(m_options.columns.size(), ShownCell());
    for (int page = 0; page < m_pages; ++page) {
        if (cancelled() || (page > 0 && !device.newPage())) {
            painter.end();
            return false;
        }
        if (!hold.enter()) {
            painter.end();
            return false;
        }
        paintPage(painter, page, width);
        hold.leave();
        if (m_options.progress)
            m_options.progress(page + 1, m_pages);
    }
    return painter.end() && !cancelled();
}

QString PageLayout::cell(int column, int entry) const
{
    switch (column) {
    case NameCol:
        return displayName(m_table.fileName(entry).toString());
    case SizeCol: {
        SizeFormatter formatter;
        return formatter.sizeText(m_options.unit, m_table.size(entry));
    }
    case DateCol:
        return DateText(m_table.modified(entry));
    case DirCol:
        return displayName(nativePath(m_table.directory(entry)));
    case StateCol:
        return stateText(m_table.state(entry));
    case FoundSizeCol:
    case FoundDateCol: {
        if (!carriesFound(m_table.state(entry)) || !m_table.HasFound(entry))
            return QString();
        const FoundValues &f = m_table.found(entry);
        SizeFormatter formatter;
        return column == FoundSizeCol ? formatter.sizeText(m_options.unit, f.Size) : DateText(f.Modified);
    }
    default:
        return QString::fromLatin1(digestHex(m_table.digest(entry)));
    }
}

void PageLayout::paintPage(QPainter &painter, int page, double width)
{
    const double line = m_geometry.lineHeight;
    const double pad = line * 0.2;
    painter.setPen(Qt::black);

    // The header: the title, the moment printed, the page number.
    painter.setFont(m_font);
    const QFontMetricsF metrics(m_font, painter.device());
    const double ascent = metrics.ascent();
    const QString number = pageNumberText(page + 1, m_pages);
    const double numberWidth = metrics.horizontalAdvance(number);
    const double dateWidth = metrics.horizontalAdvance(m_options.printedAt);
    const double titleRoom = std::max(0.0, width - numberWidth - dateWidth - 4 * pad);
    painter.drawText(QPointF(0, ascent), metrics.elidedText(m_options.title, Qt::ElideRight, titleRoom));
    painter.drawText(QPointF(width - numberWidth - dateWidth - 2 * pad, ascent), m_options.printedAt);
    painter.drawText(QPointF(width - numberWidth, ascent), number);
    painter.drawLine(QPointF(0, line * 1.2), QPointF(width, line * 1.2));

    // Each column's text cut to its room with "…", sizes to the right.
    painter.setFont(m_bold);
    const QFontMetricsF boldMetrics(m_bold, painter.device());
    painter.setFont(m_font);
    const std::vector<double> &left = m_left;
    const auto place = [&](size_t c, const QString &text, const QFontMetricsF &fm, QString &shown, double &x) {
        const double room = left[c + 1] - left[c] - 2 * pad;
        const bool right = m_options.columns[c] == SizeCol || m_options.columns[c] == FoundSizeCol;
        x = left[c] + pad;
        if (right && !text.contains(QChar(0x9c))) {
            // A text no wider than its room is shown whole: measured once
            // for the cut and the place both. (U+009C separates the
            // variants of a text that the cut chooses among.)
            const double advance = fm.horizontalAdvance(text);
            if (advance <= room) {
                shown = text;
                x = left[c + 1] - pad - advance;
                return;
            }
        }
        shown = fm.elidedText(text, Qt::ElideRight, room);
        if (right)
            x = left[c + 1] - pad - fm.horizontalAdvance(shown);
    };
    const auto row = [&](double y, const auto &text, const QFontMetricsF &fm, bool cells) {
        for (size_t c = 0; c < m_options.columns.size(); ++c) {
            QString shown;
            double x = 0;
            if (cells) {
                ShownCell &last = m_lastCells[c];
                QString t = text(c);
                if (!last.valid || t != last.text) {
                    place(c, t, fm, last.shown, last.x);
                    last.text = std::move(t);
                    last.valid = true;
                }
                shown = last.shown;
                x = last.x;
            } else {
                place(c, text(c), fm, shown, x);
            }
            painter.drawText(QPointF(x, y + ascent), shown);
        }
    };

    double y = PageGeometry::HeaderLines * line;
    painter.setFont(m_bold);
    row(y, [&](size_t c) { return gridColumnTitle(m_options.columns[c], m_options.unit); }, boldMetrics, false);
    painter.drawLine(QPointF(0, y + line * 0.95), QPointF(width, y + line * 0.95));
    y += line;

    painter.setFont(m_font);
    const qint64 count = m_count;
    const qint64 first = m_geometry.firstRow(page);
    const qint64 last = std::min<qint64>(count, first + m_geometry.rowsPerPage);
    for (qint64 i = first; i < last; ++i, y += line) {
        const int entry = int(i + 1);
        row(y, [&](size_t c) { return cell(m_options.columns[c], entry); }, metrics, true);
    }
    if (page == m_pages - 1) {
        painter.drawLine(QPointF(0, y + line * 0.1), QPointF(width, y + line * 0.1));
        painter.drawText(QPointF(pad, y + line * 0.2 + ascent), pageFilesText(m_count));
        painter.drawText(QPointF(pad, y + line * 1.2 + ascent), pageBytesText(m_options.unit, m_totalBytes));
    }
}

QPageLayout defaultPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                       QPageLayout::Millimeter);
}

QFont pageFont(qreal points)
{
    // IPAゴシック is fixed-pitch for the kana and kanji, so a name's width on
    // paper is the width it has on screen; Windows has MS Gothic, drawn the
    // same way, or else Yu Gothic.
    QFont font;
    font.setFamilies({QStringLiteral("IPAGothic"), QStringLiteral("MS Gothic"), QStringLiteral("Yu Gothic")});
    font.setPointSizeF(points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

PdfResult savePdfFile(const QString &path, const EntryTable &table, const PageOptions &options,
                      const QPageLayout &pageLayout, int *pages)
{
    // The PDF is made in memory (a few megabytes for thousands of pages) and
    // written through the safe write in one go.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageLayout(pageLayout);
        writer.setResolution(600);
        writer.setTitle(options.title);
        writer.setCreator(Creator);
        PageLayout layout(table, options);
        const bool painted = layout.paint(writer);
        if (pages)
            *pages = layout.pageCount();
        if (layout.cancelled())
            return PdfResult::Cancelled;
        if (!painted)
            return PdfResult::Failed;
    }
    return saveBytes(path, bytes) ? PdfResult::Written : PdfResult::Failed;
}

QString pageNumberText(int page, int pages)
{
    return PageNumber.arg(page).arg(pages);
}

QString pageFilesText(int files)
{
    return FilesTotal.arg(files);
}

QString pageBytesText(int unit, qint64 bytes)
{
    SizeFormatter formatter;
    const qint64 value = formatter.FormatSize(unit, bytes);
    return BytesTotal.arg(value).arg(formatter.UnitSuffix());
}

std::vector<int> defaultPageColumns(const EntryTable &table)
{
    std::vector<int> columns{NameCol, SizeCol, DateCol, DirCol};
    if (table.IsChecked())
        columns.push_back(StateCol);
    if (table.HasDigests())
        columns.push_back(DigestCol);
    if (table.HasFound()) {
        columns.push_back(FoundSizeCol);
        columns.push_back(FoundDateCol);
    }
    return columns;
}

} // namespace qn
