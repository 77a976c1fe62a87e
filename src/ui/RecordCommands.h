#pragma once

#include <QString>

#include <optional>

namespace qn {

class CommandContext;
struct CsvList;
struct Findings;

// The list as a record: a CSV read back, checked against the disk or a newer
// list, and the check's result made the list.
class RecordCommands {
public:
    explicit RecordCommands(CommandContext &context);

    // Appends the rows of a CSV the user names, with their recorded sizes
    // and times, in one batch; nothing from a file it cannot read whole.
    void OpenCsvFile();
    // Gives each entry of the record its state against the disk, on worker
    // threads behind the progress window, after showing the scope walked for
    // files the list lacks; appends those as 新規. The record stays as it was.
    void CheckAgainstDisk();
    // The same against a newer list, read from a CSV.
    void CheckAgainstList();
    // Makes the list what the check found, after a confirmation: changed
    // entries take the found size, time and digest (digests of the disk's
    // files computed again where there were), なし entries leave, states go.
    void ApplyCheckResult();
    // Shows only the rows whose state is not 一致, or every row again.
    void setDifferencesOnly(bool on);

private:
    // Reads a list CSV behind the progress window; false, after saying why,
    // when nothing can be taken from it (or the user cancelled).
    bool readCsv(const QString &title, const QString &path, CsvList &list);
    void finishCheck(Findings &findings);
    // A list to open, the dialog starting in the folder of the one opened
    // last (the save folder at first).
    std::optional<QString> chooseToOpen(const QString &title);

    CommandContext &m_c;
    bool m_checkedAgainstDisk = false;
    QString m_openDirectory;
};

// The menu items.
QString openCsvCaption();
QString checkDiskCaption();
QString checkListCaption();
QString applyResultCaption();
QString differencesOnlyCaption();

} // namespace qn
