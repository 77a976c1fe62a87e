#pragma once

#include "layout/PageLayout.h"

#include <QPageLayout>
#include <QString>

#include <functional>

class QPrinter;

namespace qn {

class CommandContext;
struct ExtraSettings;

// The list for the office: an Excel workbook, the printed pages and the same
// pages as a PDF. Each writes behind the progress window; Cancel or an
// error leaves the previous file as it was.
class ExportCommands {
public:
    ExportCommands(CommandContext &context, ExtraSettings &extras);

    void SaveXlsxFile();
    void PrintList();
    void SavePdfFile();

    // The print dialog; false when the user closes it without printing.
    // Tests put a printer that writes a file in its place.
    void setPrintDialog(std::function<bool(QPrinter &)> dialog) { m_printDialog = std::move(dialog); }

    // The page layout the user last chose (A4 portrait to begin with).
    QPageLayout pageLayout() const;

private:
    PageOptions pageOptions() const;
    void keepPageLayout(const QPageLayout &layout);

    CommandContext &m_c;
    ExtraSettings &m_extras;
    std::function<bool(QPrinter &)> m_printDialog;
};

// The menu items.
QString saveXlsxCaption();
QString printCaption();
QString savePdfCaption();

// A page layout as the INI file keeps it ("A4 portrait 15 15 15 15":
// the page size's key, the orientation, the margins in millimetres), and
// back; the default for a text that is not one.
QString pageLayoutText(const QPageLayout &layout);
QPageLayout pageLayoutFromText(const QString &text);

} // namespace qn
