#pragma once

#include <QByteArray>
#include <QFont>
#include <QPageLayout>
#include <QString>

#include <atomic>
#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPainter;

class QFontMetricsF;

namespace qn {

class EntryTable;
class TableLease;

// What the pages show: the list's title and the moment printed in every
// page's header, the grid's visible columns in its order (NameCol, SizeCol,
// DateCol, DirCol, StateCol, DigestCol), sizes in the grid's unit.
struct PageOptions {
    QString title;
    QString printedAt;
    int unit = 3;
    std::vector<int> columns;
    // Stops the pages when set; called with each page finished.
    const std::atomic<bool> *cancel = nullptr;
    std::function<void(int page, int pages)> progress;
    // When set, the table is read only while this is held; it is let go
    // between pages, while the device takes a finished one.
    TableLease *lease = nullptr;
};

// Where rows go on a page, in the device's units: a header line, the title
// row, then as many one-line rows as fit; the totals take two lines after
// the last row, on a page of their own when the last one is full.
struct PageGeometry {
    double pageHeight = 0;
    double lineHeight = 1;
    int rowsPerPage = 1;
    static constexpr int HeaderLines = 2; // the header and a gap below it
    static constexpr int TotalsLines = 2;

    static PageGeometry forHeight(double pageHeight, double lineHeight);
    // Pages for `rows` entries and the totals; at least one.
    int pageCount(qint64 rows) const;
    // The first entry (0-based) on page (0-based), and how many it holds.
    qint64 firstRow(int page) const { return qint64(page) * rowsPerPage; }
};

// The list as pages, shared by printing and the PDF: one font, one-line rows
// of cells cut with "…" to their column, so nothing overlaps; A4 portrait
// unless the device was set otherwise.
class PageLayout {
public:
    PageLayout(const EntryTable &table, PageOptions options);

    // Lays out for device (its page size and resolution) and paints every
    // page; false when the device failed (a printer that stopped, a write
    // error) or the work was cancelled.
    bool paint(QPagedPaintDevice &device);
    // The pages the last paint (or measure) laid out.
    int pageCount() const { return m_pages; }
    // Lays out for device without painting: the page count.
    int measure(QPagedPaintDevice &device);
    bool cancelled() const;

private:
    PageGeometry geometryFor(QPagedPaintDevice &device, double *width) const;
    // The widest size the size columns show; false when cancelled.
    bool findWidestSize();
    void paintPage(QPainter &painter, int page, double width);
    QString cell(int column, int entry) const;
    // Each column's left edge on a page `width` wide, and the right edge last.
    std::vector<double> columnEdges(double width, const QFontMetricsF &metrics, const QFontMetricsF &bold,
                                    double pad) const;

    const EntryTable &m_table;
    PageOptions m_options;
    QFont m_font;
    QFont m_bold;
    PageGeometry m_geometry;
    int m_pages = 0;
    // The list's count and total, read once with the lease held.
    int m_count = 0;
    qint64 m_totalBytes = 0;
    // The largest size a size column shows, for its width.
    qint64 m_widestSize = 0;
    // Each column's left edge and the right edge last, the same on every page.
    std::vector<double> m_left;
    // What each column showed last, and where: a text as the row above had
    // it (a folder's, most often) is cut and placed once.
    struct ShownCell {
        QString text;
        QString shown;
        double x = 0;
        bool valid = false;
    };
    std::vector<ShownCell> m_lastCells;
};

// The default page: A4 portrait, 15 mm margins.
QPageLayout defaultPageLayout();
// The Japanese gothic the pages are set in (IPAゴシック, embedded in a PDF).
QFont pageFont(qreal points);

enum class PdfResult { Written, Failed, Cancelled };
// The pages as a PDF written through the safe write: the old file stays
// whole unless all of the new one was written. pageLayout as the user set it.
PdfResult savePdfFile(const QString &path, const EntryTable &table, const PageOptions &options,
                      const QPageLayout &pageLayout = defaultPageLayout(), int *pages = nullptr);

// "N / M ページ", the header's page number.
QString pageNumberText(int page, int pages);
// The totals after the last row.
QString pageFilesText(int files);
QString pageBytesText(int unit, qint64 bytes);
// The grid's columns, as a list without a window shows them.
std::vector<int> defaultPageColumns(const EntryTable &table);

} // namespace qn
