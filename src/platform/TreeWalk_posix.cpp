#include "platform/TreeWalk.h"

#include "platform/HiddenEntries.h"
#include "platform/Threads.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn {

namespace {

// A directory of the walk. It knows its own name and its parent, never its
// whole path: a chain 100,000 levels deep costs 100,000 names, not the square
// of that, and each costs some 90 bytes. Paths are made only for what the
// report names.
struct Node {
    Node *parent = nullptr;
    const char16_t *name = nullptr; // the last component; for the top, its whole path
    Node **children = nullptr;      // in the directory list's order
    Node *reader = nullptr;         // Again: the node that read this directory
    std::unique_ptr<std::vector<WalkedFile>> files;
    std::unique_ptr<QStringList> vanished; // names of files gone since they were listed
    dev_t dev = 0;
    ino_t ino = 0;
    quint32 nameLength = 0;
    quint32 childCount = 0;
    // Kept open while children remain to be opened from it; guarded by the
    // descriptor mutex.
    quint32 unopened = 0;
    quint32 lastUse = 0;
    int fd = -1;
    quint16 users = 0;
    enum State : unsigned char { Unread, Read, Failed, Again } state = Unread;
    bool readError = false; // opened, but the listing broke off
    bool listed = false;    // in the report already: a directory reached twice is listed once

    QStringView nameView() const { return QStringView(name, qsizetype(nameLength)); }
};

// Where one thread keeps the nodes, names and child lists it makes, in large
// blocks that never move: no allocation per directory.
class Arena {
public:
    Node &newNode()
    {
        if (m_nodesUsed == NodeBlock) {
            m_nodes.push_back(std::make_unique<Node[]>(NodeBlock));
            m_nodesUsed = 0;
        }
        return m_nodes.back()[m_nodesUsed++];
    }
    const char16_t *copy(QStringView text)
    {
        auto *out = static_cast<char16_t *>(allocate(size_t(text.size()) * sizeof(char16_t), alignof(char16_t)));
        std::copy(text.utf16(), text.utf16() + text.size(), out);
        return out;
    }
    Node **pointers(size_t count) { return static_cast<Node **>(allocate(count * sizeof(Node *), alignof(Node *))); }

private:
    static constexpr size_t NodeBlock = 4096;
    static constexpr size_t ByteBlock = 64 * 1024;

    void *allocate(size_t bytes, size_t align)
    {
        if (bytes > ByteBlock / 4) {
            m_large.push_back(std::make_unique<char[]>(bytes));
            return m_large.back().get();
        }
        size_t at = (m_bytesUsed + align - 1) / align * align;
        if (m_bytes.empty() || at + bytes > ByteBlock) {
            m_bytes.push_back(std::make_unique<char[]>(ByteBlock));
            at = 0;
        }
        m_bytesUsed = at + bytes;
        return m_bytes.back().get() + at;
    }

    std::vector<std::unique_ptr<Node[]>> m_nodes;
    size_t m_nodesUsed = NodeBlock;
    std::vector<std::unique_ptr<char[]>> m_bytes;
    size_t m_bytesUsed = 0;
    std::vector<std::unique_ptr<char[]>> m_large;
};

// The directories read so far, by device and inode: a flat table of nodes
// with at least twice as many slots as entries.
class ReadOnce {
public:
    // The node that read n's directory: n itself the first time.
    Node *claim(Node *n)
    {
        if ((m_count + 1) * 2 > m_slots.size())
            grow();
        for (size_t i = slotOf(n);; i = (i + 1) & (m_slots.size() - 1)) {
            if (!m_slots[i]) {
                m_slots[i] = n;
                ++m_count;
                return n;
            }
            if (m_slots[i]->dev == n->dev && m_slots[i]->ino == n->ino)
                return m_slots[i];
        }
    }

private:
    size_t slotOf(const Node *n) const
    {
        const quint64 h = (quint64(n->ino) ^ (quint64(n->dev) << 32 | quint64(n->dev) >> 32)) * 0x9E3779B97F4A7C15ULL;
        return size_t(h >> 20) & (m_slots.size() - 1);
    }
    void grow()
    {
        std::vector<Node *> old(std::max<size_t>(64, m_slots.size() * 2), nullptr);
        old.swap(m_slots);
        for (Node *n : old) {
            if (!n)
                continue;
            size_t i = slotOf(n);
            while (m_slots[i])
                i = (i + 1) & (m_slots.size() - 1);
            m_slots[i] = n;
        }
    }

    std::vector<Node *> m_slots;
    size_t m_count = 0;
};

bool sameDirectory(int fd, const Node *n)
{
    struct stat st;
    return ::fstat(fd, &st) == 0 && st.st_dev == n->dev && st.st_ino == n->ino;
}

// The descriptors of directories whose children are still to be opened. A
// child is opened relative to its parent's descriptor (never through a path a
// symbolic link could divert), so how deep a tree goes costs no more than how
// wide. At most Budget stay open; one closed too early is found again through
// a child's "..", or from the nearest open ancestor, and must still be the
// directory it was.
class Descriptors {
public:
    static constexpr size_t Budget = 32;

    explicit Descriptors(QByteArray root)
        : m_root(std::move(root))
    {
    }
    ~Descriptors()
    {
        for (Node *n : m_open)
            ::close(n->fd);
    }

    int openTop() const { return ::open(m_root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

    // Opens n, a child of a directory already read.
    int open(Node *n)
    {
        Node *parent = n->parent;
        int at;
        {
            std::lock_guard lock(m_mutex);
            at = acquire(parent);
            if (at >= 0)
                ++parent->users;
        }
        const int fd = at < 0 ? -1
                              : ::openat(at, encodeName(n->nameView().toString()).constData(),
                                         O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
        std::lock_guard lock(m_mutex);
        if (at >= 0)
            --parent->users;
        --parent->unopened;
        settle(parent);
        return fd;
    }

    // Keeps fd as n's while its children wait to be opened.
    void keep(Node *n, int fd)
    {
        std::lock_guard lock(m_mutex);
        n->unopened = n->childCount;
        if (n->unopened == 0) {
            ::close(fd);
            return;
        }
        hold(n, fd);
    }

private:
    void hold(Node *n, int fd)
    {
        n->fd = fd;
        n->lastUse = ++m_clock;
        m_open.push_back(n);
        while (m_open.size() > Budget) {
            // The one used longest ago goes; a walk that returns to it finds
            // it again from below.
            auto victim = m_open.end();
            for (auto it = m_open.begin(); it != m_open.end(); ++it) {
                if (*it != n && (*it)->users == 0 && (victim == m_open.end() || (*it)->lastUse < (*victim)->lastUse))
                    victim = it;
            }
            if (victim == m_open.end())
                break;
            ::close((*victim)->fd);
            (*victim)->fd = -1;
            m_open.erase(victim);
        }
    }

    // Closes n's descriptor once nothing more is opened from it; a parent
    // that still has children to open gets its own back through "..".
    void settle(Node *n)
    {
        if (n->unopened > 0 || n->users > 0 || n->fd < 0)
            return;
        // Out of the open set first: holding the parent below may make room
        // by closing another, and that must not be this one.
        const int fd = n->fd;
        m_open.erase(std::find(m_open.begin(), m_open.end(), n));
        n->fd = -1;
        Node *parent = n->parent;
        if (parent && parent->fd < 0 && parent->unopened > 0) {
            const int up = ::openat(fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (up >= 0 && sameDirectory(up, parent))
                hold(parent, up);
            else if (up >= 0)
                ::close(up);
        }
        ::close(fd);
    }

    // n's descriptor, opened again from its nearest open ancestor when it was
    // closed; -1 when that fails or the directory is no longer the one read.
    int acquire(Node *n)
    {
        if (n->fd >= 0) {
            n->lastUse = ++m_clock;
            return n->fd;
        }
        std::vector<Node *> down;
        Node *from = n;
        while (from && from->fd < 0) {
            down.push_back(from);
            from = from->parent;
        }
        int at = from ? from->fd : -1;
        bool ownsAt = false;
        for (auto it = down.rbegin(); it != down.rend(); ++it) {
            Node *step = *it;
            const int fd = step->parent ? ::openat(at, encodeName(step->nameView().toString()).constData(),
                                                   O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW)
                                        : openTop();
            if (ownsAt)
                ::close(at);
            if (fd < 0 || !sameDirectory(fd, step)) {
                if (fd >= 0)
                    ::close(fd);
                return -1;
            }
            at = fd;
            ownsAt = true;
        }
        hold(n, at);
        return at;
    }

    const QByteArray m_root;
    std::mutex m_mutex;
    std::vector<Node *> m_open;
    quint32 m_clock = 0;
};

class Walk {
public:
    Walk(const QString &root, const std::atomic<bool> &cancel, const TreeWalkProgress &progress, int threads,
         bool descend, const NameFilter &filter)
        : m_cancel(cancel)
        , m_progress(progress)
        , m_descend(descend)
        , m_filter(filter)
        , m_arenas(size_t(threads))
        , m_descriptors(encodeName(root))
    {
        m_top = &m_arenas[0].newNode();
        m_top->name = m_arenas[0].copy(root);
        m_top->nameLength = quint32(root.size());
    }

    // Reads the tree below the top on the calling thread and up to
    // threads - 1 more; how many there were.
    int run()
    {
        m_stack.push_back(m_top);
        std::vector<std::thread> helpers(m_arenas.size() - 1);
        int started = 1;
        for (size_t i = 1; i < m_arenas.size(); ++i)
            started += startThread(helpers[i - 1], [this, i] { work(m_arenas[i]); });
        work(m_arenas[0]);
        for (std::thread &t : helpers) {
            if (t.joinable())
                t.join();
        }
        return started;
    }

    Node *top() const { return m_top; }

private:
    void work(Arena &own)
    {
        for (;;) {
            Node *n = nullptr;
            {
                std::unique_lock lock(m_mutex);
                while (!n) {
                    if (m_cancel.load(std::memory_order_relaxed) || (m_stack.empty() && m_busy == 0)) {
                        m_wake.notify_all();
                        return;
                    }
                    if (!m_stack.empty()) {
                        n = m_stack.back();
                        m_stack.pop_back();
                        ++m_busy;
                    } else {
                        // Waits for work, looking at the cancel flag now and then.
                        m_wake.wait_for(lock, std::chrono::milliseconds(20));
                    }
                }
            }
            read(n, own);
            {
                std::lock_guard lock(m_mutex);
                // Last child on top: the walk goes depth first, which keeps
                // few directories waiting and their descriptors at hand.
                m_stack.insert(m_stack.end(), std::reverse_iterator(n->children + n->childCount),
                               std::reverse_iterator(n->children));
                --m_busy;
            }
            m_wake.notify_all();
        }
    }

    void read(Node *n, Arena &own)
    {
        const int fd = n->parent ? m_descriptors.open(n) : m_descriptors.openTop();
        struct stat self;
        if (fd < 0 || ::fstat(fd, &self) != 0) {
            if (fd >= 0)
                ::close(fd);
            n->state = Node::Failed;
            return;
        }
        n->dev = self.st_dev;
        n->ino = self.st_ino;
        {
            // A directory reached twice (a bind mount, or one of its own
            // ancestors mounted below it) is read once.
            std::lock_guard lock(m_seenMutex);
            Node *reader = m_seen.claim(n);
            if (reader != n) {
                n->state = Node::Again;
                n->reader = reader;
                ::close(fd);
                return;
            }
        }
        n->state = Node::Read;
        const int listing = ::dup(fd);
        DIR *dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
        if (!dir) {
            if (listing >= 0)
                ::close(listing);
            ::close(fd);
            n->readError = true;
            return;
        }
        std::vector<std::pair<QString, Node *>> subdirectories;
        std::vector<WalkedFile> files;
        unsigned seen = 0;
        const bool takesHidden = m_filter.takesHidden();
        const bool filtering = m_filter.isSet();
        for (;;) {
            if ((++seen & 255) == 0 && m_cancel.load(std::memory_order_relaxed))
                break;
            errno = 0;
            const dirent *e = ::readdir(dir);
            if (!e) {
                n->readError = errno != 0;
                break;
            }
            const char *name = e->d_name;
            if (listingLeavesOut(name, takesHidden))
                continue;
            unsigned char type = e->d_type;
            struct stat st;
            if (type == DT_UNKNOWN) {
                if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    if (errno == ENOENT)
                        vanished(n, name);
                    continue;
                }
                type = IFTODT(st.st_mode);
            }
            if (type == DT_DIR) {
                if (m_descend) {
                    QString decoded = decodeName(name, qsizetype(strlen(name)));
                    if (!m_filter.entersDirectory(decoded))
                        continue;
                    Node &child = own.newNode();
                    child.parent = n;
                    child.name = own.copy(decoded);
                    child.nameLength = quint32(decoded.size());
                    subdirectories.emplace_back(std::move(decoded), &child);
                }
                continue;
            }
            if (type != DT_REG && type != DT_LNK)
                continue;
            QString decoded = decodeName(name, qsizetype(strlen(name)));
            if (filtering && !m_filter.takesFile(decoded))
                continue;
            if (::fstatat(fd, name, &st, 0) != 0) {
                // A link that leads nowhere is no file; a name that has gone
                // since it was listed is a file that vanished.
                if (type == DT_REG || ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    vanished(n, name);
                continue;
            }
            if (!S_ISREG(st.st_mode))
                continue; // a link to a directory is not followed
            files.push_back(WalkedFile{std::move(decoded), FileStamp{qint64(st.st_size), qint64(st.st_mtim.tv_sec)}});
        }
        ::closedir(dir);

        std::sort(subdirectories.begin(), subdirectories.end(),
                  [](const auto &a, const auto &b) { return inListOrder(a.first, b.first); });
        if (!files.empty())
            n->files = std::make_unique<std::vector<WalkedFile>>(std::move(files));
        n->childCount = quint32(subdirectories.size());
        n->children = subdirectories.empty() ? nullptr : own.pointers(subdirectories.size());
        for (size_t i = 0; i < subdirectories.size(); ++i)
            n->children[i] = subdirectories[i].second;
        m_descriptors.keep(n, fd);
        report(n);
    }

    static void vanished(Node *n, const char *name)
    {
        if (!n->vanished)
            n->vanished = std::make_unique<QStringList>();
        n->vanished->append(decodeName(name, qsizetype(strlen(name))));
    }

    void report(const Node *n)
    {
        const qint64 files = n->files ? qint64(n->files->size()) : 0;
        const qint64 total = m_files.fetch_add(files, std::memory_order_relaxed) + files;
        if (!m_progress)
            return;
        if (m_reportClock.due())
            m_progress(total, pathOf(n));
    }

    static QString pathOf(const Node *n)
    {
        std::vector<const Node *> chain;
        for (; n; n = n->parent)
            chain.push_back(n);
        QString path;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            path += (*it)->nameView();
            if ((*it)->parent)
                path += QLatin1Char('/');
        }
        return path;
    }

    const std::atomic<bool> &m_cancel;
    const TreeWalkProgress &m_progress;
    const bool m_descend;
    const NameFilter &m_filter;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Node *> m_stack;
    int m_busy = 0;
    std::atomic<qint64> m_files{0};
    ReportClock m_reportClock;
    // Each thread keeps the nodes it makes.
    std::vector<Arena> m_arenas;
    Node *m_top = nullptr;
    Descriptors m_descriptors;
    std::mutex m_seenMutex;
    ReadOnce m_seen;
};

// The directories in list order, each once, with their paths made here and
// only for what the report holds. A directory that was read elsewhere (a
// bind mount) stands where the list meets it first.
void collect(Node *top, TreeWalkReport &report)
{
    QString path;
    // Each node with the length of its parent's path.
    std::vector<std::pair<Node *, qsizetype>> stack{{top, 0}};
    while (!stack.empty()) {
        const auto [listed, parentLength] = stack.back();
        stack.pop_back();
        path.truncate(parentLength);
        path += listed->nameView();
        if (listed->parent)
            path += QLatin1Char('/');
        if (listed->state == Node::Failed || listed->state == Node::Unread) {
            report.skipped.append(path);
            continue;
        }
        Node *n = listed->state == Node::Again ? listed->reader : listed;
        if (n->listed)
            continue;
        n->listed = true;
        if (n->files) {
            report.fileCount += qint64(n->files->size());
            // A copy of its own, of the exact size: the working path stays
            // unshared and no list entry carries its spare room.
            report.directories.push_back(
                WalkedDirectory{QString(path.constData(), path.size()), std::move(*n->files)});
        }
        if (n->vanished) {
            for (const QString &name : std::as_const(*n->vanished))
                report.skipped.append(path + name);
        }
        if (n->readError)
            report.skipped.append(path);
        for (quint32 i = n->childCount; i > 0; --i)
            stack.emplace_back(n->children[i - 1], path.size());
    }
}

} // namespace

TreeWalkReport walkTree(const QString &root, const std::atomic<bool> &cancel, const TreeWalkProgress &progress,
                        int threads, bool subdirectories, const NameFilter &filter)
{
    TreeWalkReport report;
    QString top = root;
    if (!top.endsWith(QLatin1Char('/')))
        top += QLatin1Char('/');
    if (top.contains(QChar(0))) {
        report.skipped.append(top);
        return report;
    }
    Walk walk(top, cancel, progress,
              threads > 0 ? threads : int(std::max(1u, std::thread::hardware_concurrency())), subdirectories,
              filter);
    report.threads = walk.run();
    if (cancel.load()) {
        report.cancelled = true;
        return report;
    }
    collect(walk.top(), report);
    return report;
}

} // namespace qn
