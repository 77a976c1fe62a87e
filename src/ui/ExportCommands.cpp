#include "ui/ExportCommands.h"

#include "list/EntryTable.h"
#include "list/TableLease.h"
#include "output/XlsxFile.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"
#include "ui/CommandContext.h"
#include "ui/EntryModel.h"
#include "ui/ListCommands.h"
#include "ui/Services.h"

#include <QDateTime>
#include <QHeaderView>
#include <QPrintDialog>
#include <QPrinter>
#include <QTableView>

#include <memory>

namespace qn {

namespace {

const QString SaveXlsxItem = QStringLiteral("Excelで保存...");
const QString PrintItem = QStringLiteral("印刷...");
const QString SavePdfItem = QStringLiteral("PDFで保存...");
const QString SaveXlsxTitle = QStringLiteral("Excelで保存");
const QString PrintTitle = QStringLiteral("印刷");
const QString SavePdfTitle = QStringLiteral("PDFで保存");
const QString XlsxFilter = QStringLiteral("*.xlsx");
const QString PdfFilter = QStringLiteral("*.pdf");
const QString XlsxFileName = QStringLiteral("リスト.xlsx");
const QString PdfExtension = QStringLiteral(".pdf");
const QString RowsWritten = QStringLiteral("%1 件を書き込みました。");
const QString PagesMade = QStringLiteral("%1 ページを作りました。");
const QString PrintFailed = QStringLiteral("印刷できませんでした。");
const QString PrintedAtFormat = QStringLiteral("yyyy/MM/dd HH:mm");

const char *const Orientations[] = {"portrait", "landscape"};

} // namespace

ExportCommands::ExportCommands(CommandContext &context, ExtraSettings &extras)
    : m_c(context)
    , m_extras(extras)
{
    m_printDialog = [this](QPrinter &printer) {
        QPrintDialog dialog(&printer, m_c.parent());
        dialog.setWindowTitle(PrintTitle);
        return dialog.exec() == QDialog::Accepted;
    };
}

void ExportCommands::SaveXlsxFile()
{
    const std::optional<QString> path =
        m_c.chooser.choose(m_c.parent(), SaveXlsxTitle, m_c.settings.SaveDirectory, XlsxFileName, XlsxFilter);
    if (!path || path->isEmpty())
        return;
    // The work owns what it touches; the table it reads only under the
    // lease, which Cancel takes back at the next row.
    auto result = std::make_shared<XlsxResult>(XlsxResult::Cancelled);
    const QString target = *path;
    const EntryTable *table = &m_c.table;
    const bool finished = runReadingTable(
        m_c.work, m_c.parent(), SaveXlsxTitle,
        [result, target, table](const std::atomic<bool> &cancel, const TreeWalkProgress &progress, TableLease &lease) {
            XlsxOptions options;
            options.cancel = &cancel;
            options.lease = &lease;
            if (progress)
                options.progress = [&progress](qint64 written) { progress(written, QString()); };
            *result = saveXlsxFile(target, *table, options);
        },
        RowsWritten);
    if (!finished || *result == XlsxResult::Cancelled)
        return;
    m_c.messages.inform(*result == XlsxResult::Written ? doneText() : listFailedText());
}

void ExportCommands::SavePdfFile()
{
    const std::optional<QString> path = m_c.chooser.choose(m_c.parent(), SavePdfTitle, m_c.settings.SaveDirectory,
                                                         m_c.listTitle() + PdfExtension, PdfFilter);
    if (!path || path->isEmpty())
        return;
    auto result = std::make_shared<PdfResult>(PdfResult::Cancelled);
    const QString target = *path;
    const EntryTable *table = &m_c.table;
    const PageOptions options = pageOptions();
    const QPageLayout layout = pageLayout();
    const bool finished = runReadingTable(
        m_c.work, m_c.parent(), SavePdfTitle,
        [result, target, table, options, layout](const std::atomic<bool> &cancel, const TreeWalkProgress &progress,
                                                 TableLease &lease) {
            PageOptions withWork = options;
            withWork.cancel = &cancel;
            withWork.lease = &lease;
            if (progress)
                withWork.progress = [&progress](int page, int) { progress(page, QString()); };
            *result = savePdfFile(target, *table, withWork, layout);
        },
        PagesMade);
    if (!finished || *result == PdfResult::Cancelled)
        return;
    m_c.messages.inform(*result == PdfResult::Written ? doneText() : listFailedText());
}

void ExportCommands::PrintList()
{
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setPageLayout(pageLayout());
    printer->setDocName(m_c.listTitle());
    if (!m_printDialog(*printer))
        return;
    keepPageLayout(printer->pageLayout());
    auto printed = std::make_shared<bool>(false);
    const EntryTable *table = &m_c.table;
    const PageOptions options = pageOptions();
    // The printer is shared with the work: a job cancelled while the
    // printer takes its last page ends on its own.
    const bool finished = runReadingTable(
        m_c.work, m_c.parent(), PrintTitle,
        [printed, printer, table, options](const std::atomic<bool> &cancel, const TreeWalkProgress &progress,
                                           TableLease &lease) {
            PageOptions withWork = options;
            withWork.cancel = &cancel;
            withWork.lease = &lease;
            if (progress)
                withWork.progress = [&progress](int page, int) { progress(page, QString()); };
            PageLayout layout(*table, withWork);
            *printed = layout.paint(*printer);
            if (layout.cancelled())
                printer->abort();
        },
        PagesMade);
    if (!finished)
        return;
    if (!*printed)
        m_c.messages.inform(PrintFailed);
}

PageOptions ExportCommands::pageOptions() const
{
    PageOptions options;
    options.title = m_c.listTitle();
    options.printedAt = QDateTime::currentDateTime().toString(PrintedAtFormat);
    options.unit = m_c.settings.SizeUnit;
    // The columns as the grid shows them, in its order; hidden ones stay out.
    const auto *model = qobject_cast<const EntryModel *>(m_c.grid->model());
    const QHeaderView *header = m_c.grid->horizontalHeader();
    for (int visual = 0; model && visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            options.columns.push_back(model->columnKind(logical));
    }
    return options;
}

QPageLayout ExportCommands::pageLayout() const
{
    return pageLayoutFromText(m_extras.pageSetup);
}

void ExportCommands::keepPageLayout(const QPageLayout &layout)
{
    m_extras.pageSetup = pageLayoutText(layout);
}

QString saveXlsxCaption()
{
    return SaveXlsxItem;
}

QString printCaption()
{
    return PrintItem;
}

QString savePdfCaption()
{
    return SavePdfItem;
}

QString pageLayoutText(const QPageLayout &layout)
{
    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(layout.pageSize().key(), QLatin1String(Orientations[layout.orientation() == QPageLayout::Landscape]))
        .arg(m.left())
        .arg(m.top())
        .arg(m.right())
        .arg(m.bottom());
}

QPageLayout pageLayoutFromText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 6)
        return defaultPageLayout();
    QPageSize size;
    for (int id = 0; id <= int(QPageSize::LastPageSize) && !size.isValid(); ++id) {
        if (QPageSize::key(QPageSize::PageSizeId(id)) == parts[0])
            size = QPageSize(QPageSize::PageSizeId(id));
    }
    const bool landscape = parts[1] == QLatin1String(Orientations[1]);
    if (!size.isValid() || (!landscape && parts[1] != QLatin1String(Orientations[0])))
        return defaultPageLayout();
    double margins[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        margins[i] = parts[i + 2].toDouble(&ok);
        // Margins that leave no room for a row are not a page setup.
        if (!ok || margins[i] < 0 || margins[i] > 80)
            return defaultPageLayout();
    }
    return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(margins[0], margins[1], margins[2], margins[3]), QPageLayout::Millimeter);
}

} // namespace qn
