#pragma once

#include <QString>

#include <memory>

namespace qn {

class CommandContext;
struct HashJob;

// The SHA-256 of the entries and the manifest that carries them.
class DigestCommands {
public:
    explicit DigestCommands(CommandContext &context);

    // The SHA-256 of every entry without one (of the selected rows when more
    // than one is selected), on worker threads behind the progress window;
    // Cancel keeps the digests finished.
    void ComputeSha256Digests();
    // A manifest sha256sum -c can check, where the user says (SHA256SUMS in
    // the common directory of the entries to begin with).
    void SaveSha256Sums();

private:
    CommandContext &m_c;
};

// Runs a prepared hash job on worker threads behind the progress window,
// titled `title`; false when the user cancelled.
bool runHashJob(CommandContext &context, const QString &title, const std::shared_ptr<HashJob> &job);

// The menu items.
QString computeSha256Caption();
QString saveSumsCaption();

} // namespace qn
