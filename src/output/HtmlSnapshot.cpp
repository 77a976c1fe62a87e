#include "output/HtmlSnapshot.h"

#include "output/GridTitles.h"
#include "output/ListTitle.h"

#include "list/Check.h"
#include "list/DateText.h"
#include "list/EntryTable.h"
#include "output/SizeFormat.h"
#include "platform/FileSystem.h"

#include <QCryptographicHash>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <charconv>

namespace qn {

namespace {

// The page's texts; %1 and %2 are filled in by the page.
const QString TextMade = QStringLiteral("作成日時 %1");
const QString TextTotals = QStringLiteral("総ファイル数 %1　総バイト数 %2");
const QString TextBytes = QStringLiteral("%1 バイト");
const QString TextSearchHint = QStringLiteral("ファイル名で検索（* と ? も使えます）");
const QString TextCount = QStringLiteral("%1 件 %2");
const QString TextBelow = QStringLiteral("（下位を含めて %1）");
const QString TextMoreFolders = QStringLiteral("ほかのフォルダ %1 件を表示");
const QString TextName = QStringLiteral("ファイル名");
const QString TextSize = QStringLiteral("バイト数");
const QString TextDate = QStringLiteral("更新日時");
const QString TextDirectory = QStringLiteral("ディレクトリ");
const QString TextState = gridColumnTitle(StateCol, 0);
const QString TextDigest = gridColumnTitle(DigestCol, 0);
const QString TextShown = QStringLiteral("%2 件のうち先頭の %1 件を表示しています。");
const QString TextMore = QStringLiteral("さらに %1 件を表示");
const QString TextOpen = QStringLiteral("このフォルダをツリーで表示");
const QString TextFound = QStringLiteral("%1 件");
const QString TextResults = QStringLiteral("「%1」の検索結果");
const QString TextSorting = QStringLiteral("並べ替えています...");
const QString TextSearching = QStringLiteral("検索しています...");
const QString TextLoading = QStringLiteral("読み込んでいます...");

// Files per data block: each block is read in one go, well within a slice.
constexpr int BlockFiles = 8192;
constexpr int AskEvery = 4096;

// A JSON string for a script block: besides what JSON needs, "<" never
// appears (no "</script>" or "<!--" can end or bend the block) and U+2028
// and U+2029 are escaped too. Lone surrogates stay as escapes.
void putJsonString(QByteArray &out, QStringView text)
{
    static const char hexDigits[] = "0123456789abcdef";
    const auto escape = [&out](char16_t u) {
        char e[6] = {'\\', 'u', hexDigits[u >> 12], hexDigits[(u >> 8) & 15], hexDigits[(u >> 4) & 15],
                     hexDigits[u & 15]};
        out.append(e, 6);
    };
    out.append('"');
    const char16_t *s = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = s[i];
        if (u < 0x80) {
            if (u < 0x20 || u == '<' || u == 0x7F) {
                escape(u);
            } else if (u == '"' || u == '\\') {
                out.append('\\');
                out.append(char(u));
            } else {
                out.append(char(u));
            }
        } else if (u < 0x800) {
            const char b[2] = {char(0xC0 | (u >> 6)), char(0x80 | (u & 0x3F))};
            out.append(b, 2);
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            const char32_t c = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            const char b[4] = {char(0xF0 | (c >> 18)), char(0x80 | ((c >> 12) & 0x3F)), char(0x80 | ((c >> 6) & 0x3F)),
                               char(0x80 | (c & 0x3F))};
            out.append(b, 4);
            ++i;
        } else if ((u >= 0xD800 && u <= 0xDFFF) || u == 0x2028 || u == 0x2029) {
            escape(u);
        } else {
            const char b[3] = {char(0xE0 | (u >> 12)), char(0x80 | ((u >> 6) & 0x3F)), char(0x80 | (u & 0x3F))};
            out.append(b, 3);
        }
    }
    out.append('"');
}

void putNumber(QByteArray &out, qint64 v)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
    out.append(digits, end - digits);
}

// A number the page reads as a double: beyond 2^53 as a string of its
// digits, so that nothing is rounded on the way.
void putExactNumber(QByteArray &out, qint64 v)
{
    constexpr qint64 Exact = qint64(1) << 53;
    const bool far = v > Exact || v < -Exact;
    if (far)
        out += '"';
    putNumber(out, v);
    if (far)
        out += '"';
}

QByteArray htmlEscaped(const QString &text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QStringLiteral("&#39;")).toUtf8();
}

// The page template, cut where the generated parts go, and the policy that
// allows its own inline script and style by their digests and nothing else.
struct Template {
    QByteArray beforeCsp, beforeTitle, beforeData, rest;
    QByteArray csp;
};

QByteArray inlineDigest(const QByteArray &page, const QByteArray &open, const QByteArray &close)
{
    const qsizetype from = page.indexOf(open);
    const qsizetype to = page.indexOf(close, from);
    if (from < 0 || to < 0)
        return QByteArray();
    const QByteArray body = page.mid(from + open.size(), to - from - open.size());
    return "'sha256-" + QCryptographicHash::hash(body, QCryptographicHash::Sha256).toBase64() + "'";
}

const Template &pageTemplate()
{
    static const Template t = [] {
        Template t;
        QFile file(QStringLiteral(":/html/snapshot.html"));
        const QByteArray page = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const qsizetype csp = page.indexOf("@@CSP@@");
        const qsizetype title = page.indexOf("@@TITLE@@");
        const qsizetype data = page.indexOf("@@DATA@@");
        if (csp < 0 || title < csp || data < title)
            return t;
        t.beforeCsp = page.left(csp);
        t.beforeTitle = page.mid(csp + 7, title - csp - 7);
        t.beforeData = page.mid(title + 9, data - title - 9);
        t.rest = page.mid(data + 8);
        t.csp = "default-src 'none'; script-src " + inlineDigest(t.rest, "<script>", "</script>") + "; style-src "
                + inlineDigest(page, "<style>", "</style>")
                + "; img-src 'none'; connect-src 'none'; font-src 'none'; media-src 'none'; object-src 'none'; "
                  "frame-src 'none'; worker-src 'none'; base-uri 'none'; form-action 'none'";
        return t;
    }();
    return t;
}

// One directory of the list's tree: a directory of the list or one above.
struct Node {
    int parent = -1;
    QString segment; // as shown: a root keeps its separator
    qint64 files = 0;
    qint64 bytes = 0;
    std::vector<int> children;
    int order = 0; // its place in the page, parents first, each subtree in one run
};

// Where the tree's root ends: after the first separator and any that follow
// it at once ("//server/share" keeps its two).
qsizetype rootLength(const QString &directory)
{
    qsizetype i = directory.indexOf(QLatin1Char('/'));
    if (i < 0)
        return directory.size();
    while (i < directory.size() && directory[i] == QLatin1Char('/'))
        ++i;
    return i;
}

class Tree {
public:
    // The node of a directory (ending in "/"), made with those above it.
    int node(const QString &directory)
    {
        // Up to the nearest directory known, then down again making the
        // missing ones: a deep new directory costs no deep recursion.
        std::vector<QString> missing;
        int parent = -1;
        QString d = directory;
        for (;;) {
            const auto found = m_byPath.constFind(d);
            if (found != m_byPath.cend()) {
                parent = *found;
                break;
            }
            missing.push_back(d);
            if (d.size() <= rootLength(d))
                break;
            d = d.left(d.lastIndexOf(QLatin1Char('/'), d.size() - 2) + 1);
        }
        for (auto m = missing.rbegin(); m != missing.rend(); ++m) {
            const qsizetype last = m->size() <= rootLength(*m) ? -1 : m->lastIndexOf(QLatin1Char('/'), m->size() - 2);
            const QString segment = last < 0 ? *m : m->mid(last + 1, m->size() - last - 2);
            const int n = int(nodes.size());
            nodes.push_back(Node{parent, displayName(nativePath(segment)), 0, 0, {}, 0});
            if (parent >= 0)
                nodes[size_t(parent)].children.push_back(n);
            m_byPath.insert(*m, n);
            parent = n;
        }
        return parent;
    }

    // Children by name, and each node's place: preorder, so a parent comes
    // before its children and the page adds up the totals backwards.
    std::vector<int> order()
    {
        std::vector<int> roots;
        for (size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].parent < 0)
                roots.push_back(int(i));
            auto &c = nodes[i].children;
            std::sort(c.begin(), c.end(), [this](int a, int b) { return less(a, b); });
        }
        std::sort(roots.begin(), roots.end(), [this](int a, int b) { return less(a, b); });
        std::vector<int> sequence;
        sequence.reserve(nodes.size());
        std::vector<int> stack(roots.rbegin(), roots.rend());
        while (!stack.empty()) {
            const int n = stack.back();
            stack.pop_back();
            nodes[size_t(n)].order = int(sequence.size());
            sequence.push_back(n);
            const auto &c = nodes[size_t(n)].children;
            stack.insert(stack.end(), c.rbegin(), c.rend());
        }
        return sequence;
    }

    std::vector<Node> nodes;

private:
    bool less(int a, int b) const
    {
        const int c = nodes[size_t(a)].segment.compare(nodes[size_t(b)].segment);
        return c != 0 ? c < 0 : a < b;
    }
    QHash<QString, int> m_byPath;
};

// What the page needs of one entry, gathered in the one pass over the table.
struct FileRecord {
    int node;
    int state;
    qint64 size;
    qint64 modified;
    qsizetype nameFrom; // its name in the arena of JSON strings
    qsizetype nameTo;
};

} // namespace

const std::vector<HtmlText> &htmlTexts()
{
    static const std::vector<HtmlText> texts = {
        {"made", TextMade},         {"totals", TextTotals},       {"bytes", TextBytes},
        {"searchHint", TextSearchHint}, {"count", TextCount},     {"below", TextBelow},
        {"moreFolders", TextMoreFolders}, {"name", TextName},     {"size", TextSize},
        {"date", TextDate},         {"directory", TextDirectory}, {"state", TextState},
        {"digest", TextDigest},     {"shown", TextShown},         {"more", TextMore},
        {"open", TextOpen},         {"found", TextFound},         {"results", TextResults},
        {"sorting", TextSorting},   {"searching", TextSearching},  {"loading", TextLoading},
    };
    return texts;
}

QString htmlResultCount(qint64 n)
{
    return TextFound.arg(n);
}

QByteArray HtmlSnapshotText(const EntryTable &table, const HtmlSnapshotOptions &options,
                            const std::function<bool(int)> &keepGoing)
{
    const Template &page = pageTemplate();
    if (page.rest.isEmpty())
        return QByteArray(); // no template: nothing that could pass for a page
    const QString title = options.title.isEmpty() ? defaultListTitle() : options.title;
    const int count = table.EntryCount();
    const qint64 totalBytes = table.TotalBytes(); // the table is not read after the rows
    const bool checked = table.IsChecked();
    const bool digests = table.HasDigests();

    // The one pass over the table: names escaped once into an arena, the
    // rest into records.
    Tree tree;
    std::vector<FileRecord> records;
    records.reserve(size_t(count));
    std::vector<QByteArray> sums;
    if (digests)
        sums.reserve(size_t(count));
    QByteArray arena;
    arena.reserve(qsizetype(count) * 26);
    quint32 lastDirectory = 0;
    int lastNode = -1;
    for (int i = 1; i <= count; ++i) {
        if ((i & (AskEvery - 1)) == 0 && keepGoing && !keepGoing(i))
            return QByteArray();
        const quint32 directory = table.directoryNumber(i);
        if (lastNode < 0 || directory != lastDirectory) {
            lastDirectory = directory;
            lastNode = tree.node(table.directory(i));
        }
        const qint64 size = table.size(i);
        Node &n = tree.nodes[size_t(lastNode)];
        ++n.files;
        n.bytes += size;
        const qsizetype from = arena.size();
        const QStringView fileName = table.fileName(i);
        if (hasUndecodableBytes(fileName))
            putJsonString(arena, displayName(fileName.toString()));
        else
            putJsonString(arena, fileName);
        records.push_back(FileRecord{lastNode, int(table.state(i)), size, table.modified(i), from, arena.size()});
        if (digests)
            sums.push_back(table.digest(i));
    }
    if (keepGoing && !keepGoing(count))
        return QByteArray();

    const std::vector<int> sequence = tree.order();
    // The files in the page's order: by folder, in list order within each.
    std::vector<int> starts(tree.nodes.size() + 1, 0);
    for (const FileRecord &r : records)
        ++starts[size_t(tree.nodes[size_t(r.node)].order) + 1];
    for (size_t i = 1; i < starts.size(); ++i)
        starts[i] += starts[i - 1];
    std::vector<int> files(records.size());
    for (size_t i = 0; i < records.size(); ++i)
        files[size_t(starts[size_t(tree.nodes[size_t(records[i].node)].order)]++)] = int(i);

    QByteArray out;
    out.reserve(page.beforeCsp.size() + page.beforeTitle.size() + page.beforeData.size() + page.rest.size()
                + arena.size() + qsizetype(records.size()) * (digests ? 64 : 16) + qsizetype(tree.nodes.size()) * 32
                + 4096);
    out += page.beforeCsp;
    out += page.csp;
    out += page.beforeTitle;
    out += htmlEscaped(title);
    out += page.beforeData;

    // What the page draws at once: title, totals, texts and the tree.
    out += "<script type=\"application/json\" id=\"meta\">{\"title\":";
    putJsonString(out, title);
    out += ",\"made\":";
    putJsonString(out, DateText(options.madeAt));
    out += ",\"unit\":";
    putNumber(out, options.sizeUnit >= 0 && options.sizeUnit <= 3 ? options.sizeUnit : 3);
    // How sizes are shown in the chosen unit, as the program's formatter
    // does it: for each magnitude, where it starts, its divisor and suffix.
    out += ",\"sizeForms\":[";
    SizeFormatter formatter;
    qint64 start = 0;
    for (int magnitude = 0; magnitude < 3; ++magnitude) {
        while (SizeMagnitude(start) < magnitude && start < qint64(1e17))
            start = start == 0 ? 1 : start * 10;
        const qint64 probe = std::max<qint64>(start, 1000); // divisible by any divisor
        const qint64 value = formatter.FormatSize(options.sizeUnit, probe);
        out += magnitude > 0 ? ",[" : "[";
        putNumber(out, start);
        out += ',';
        putNumber(out, value > 0 ? probe / value : 1);
        out += ',';
        putJsonString(out, formatter.UnitSuffix());
        out += ']';
    }
    out += ']';
    out += ",\"sep\":";
    putJsonString(out, nativePath(QStringLiteral("/")));
    out += checked ? ",\"checked\":true" : ",\"checked\":false";
    out += digests ? ",\"digests\":true" : ",\"digests\":false";
    out += ",\"files\":";
    putNumber(out, count);
    out += ",\"bytes\":";
    putNumber(out, totalBytes);
    out += ",\"texts\":{";
    bool firstText = true;
    for (const HtmlText &t : htmlTexts()) {
        if (!firstText)
            out += ',';
        firstText = false;
        out += '"';
        out += t.key;
        out += "\":";
        putJsonString(out, t.text);
    }
    out += "},\"states\":[";
    for (int s = 0; s < CheckStateCount; ++s) {
        if (s > 0)
            out += ',';
        putJsonString(out, s == 0 ? QString() : stateText(CheckState(s)));
    }
    // Folders in the page's order: how far back each one's parent is (0 for
    // a root), its name, its own files and bytes.
    const auto folderList = [&](const char *key, auto put) {
        out += "],\"";
        out += key;
        out += "\":[";
        for (size_t k = 0; k < sequence.size(); ++k) {
            if (k > 0)
                out += ',';
            put(tree.nodes[size_t(sequence[k])], int(k));
        }
    };
    folderList("dirParents", [&](const Node &n, int k) {
        putNumber(out, n.parent < 0 ? 0 : k - tree.nodes[size_t(n.parent)].order);
    });
    folderList("dirSegments", [&](const Node &n, int) { putJsonString(out, n.segment); });
    folderList("dirFiles", [&](const Node &n, int) { putNumber(out, n.files); });
    folderList("dirBytes", [&](const Node &n, int) { putNumber(out, n.bytes); });
    out += "]}</script>\n";

    // The files in blocks: names, sizes, each time as the difference from
    // the one before, states as one digit each, digests in base64. A time
    // far from 1970, or one after such a time, is written whole as a string:
    // a difference of far times would not fit, nor be exact in a double.
    constexpr qint64 Near = qint64(1) << 52;
    const auto near = [](qint64 t) { return t >= -Near && t <= Near; };
    qint64 lastTime = 0;
    for (size_t from = 0; from < files.size(); from += BlockFiles) {
        const size_t to = std::min(files.size(), from + BlockFiles);
        out += "<script type=\"application/json\" class=\"files\">[[";
        for (size_t k = from; k < to; ++k) {
            const FileRecord &r = records[size_t(files[k])];
            if (k > from)
                out += ',';
            out.append(arena.constData() + r.nameFrom, r.nameTo - r.nameFrom);
        }
        out += "],[";
        for (size_t k = from; k < to; ++k) {
            if (k > from)
                out += ',';
            putExactNumber(out, records[size_t(files[k])].size);
        }
        out += "],[";
        for (size_t k = from; k < to; ++k) {
            if (k > from)
                out += ',';
            const qint64 t = records[size_t(files[k])].modified;
            if (near(t) && near(lastTime)) {
                putNumber(out, t - lastTime);
            } else {
                out += '"';
                putNumber(out, t);
                out += '"';
            }
            lastTime = t;
        }
        out += "],\"";
        if (checked) {
            for (size_t k = from; k < to; ++k)
                out += char('0' + records[size_t(files[k])].state);
        }
        out += "\",[";
        if (digests) {
            for (size_t k = from; k < to; ++k) {
                if (k > from)
                    out += ',';
                out += '"';
                out += sums[size_t(files[k])].toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
                out += '"';
            }
        }
        out += "]]</script>\n";
    }
    out += page.rest;
    return out;
}

} // namespace qn
