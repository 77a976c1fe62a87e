#pragma once

#include "output/ReplacedNames.h"

#include <QString>

#include <atomic>
#include <functional>

namespace qn {

class EntryTable;
class TableLease;

// The list as an Excel workbook, written a row at a time into its ZIP
// archive, so memory stays the same whatever the list's length. The sheet "リスト" holds the CSV's rows
// and columns with typed cells: names, directories and paths as text (never
// read again as numbers, dates or formulas); sizes as numbers shown #,##0,
// as text when a double cannot hold them exactly (past 2^53); times as
// local date-times shown yyyy/mm/dd hh:mm:ss, as text in the CSV's form
// outside what a workbook holds (before 1900-03-01, where Excel's calendar
// counts a day that never was, or after 9999). A list longer than a sheet
// goes on to "リスト (2)", "リスト (3)", ... each with the title row; a last
// sheet "合計" holds the file count and the total bytes.
struct XlsxOptions {
    // Rows below the title on one sheet; the workbook's limit unless a test
    // wants to see the next sheet begin sooner.
    int rowsPerSheet = 1048575;
    // Stops the writing when set; the target is then left as it was.
    const std::atomic<bool> *cancel = nullptr;
    // Called now and then with the number of entries written.
    std::function<void(qint64 written)> progress;
    // When set, the table is read only while this is held; it is let go
    // while the workbook waits on the disk and once the rows are written.
    TableLease *lease = nullptr;
};

enum class XlsxResult { Written, Failed, Cancelled };

// Writes the workbook to path through a temporary file beside it, which
// replaces path only when all of it has been written and reached the disk;
// on any error or a cancel the old file stays whole and nothing is left.
XlsxResult saveXlsxFile(const QString &path, const EntryTable &table, const XlsxOptions &options = {},
                        ReplacedNames *replaced = nullptr);

// The most bytes of XML a sheet takes besides its rows, and the most one
// row takes for an entry whose name and directory are so many UTF-16 units
// long, with the further columns the list has (a check's state, digests,
// what a check found). A sheet whose bound reaches 4 GiB gets zip64 sizes.
constexpr quint64 XlsxSheetFrame = 4096;
quint64 xlsxRowBound(qsizetype nameUnits, qsizetype directoryUnits, bool checked, bool digests, bool found);

// The sheet names, defined once: "リスト", "リスト (n)" from n = 2, "合計".
QString xlsxSheetName(int sheet);
QString xlsxTotalsSheetName();

} // namespace qn
