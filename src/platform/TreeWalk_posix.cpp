#include "platform/TreeWalk.h"

#include "platform/Threads.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

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
// of that. Paths are made only for what the report names.
struct Node {
    Node *parent = nullptr;
    QString name; // the last component; for the top, its whole path with the separator
    dev_t dev = 0;
    ino_t ino = 0;
    enum State : unsigned char { Unread, Read, Failed, Again } state = Unread;
    bool readError = false;   // opened, but the listing broke off
    Node *reader = nullptr;   // Again: the node that read this directory
    // Kept open while children remain to be opened from it; guarded by the
    // descriptor mutex.
    int fd = -1;
    int users = 0;
    size_t unopened = 0;
    quint64 lastUse = 0;
    std::vector<WalkedFile> files;
    std::vector<Node *> children; // in the directory list's order
    QStringList vanished;         // names of files gone since they were listed
};

struct DevIno {
    dev_t dev;
    ino_t ino;
    bool operator==(const DevIno &o) const { return dev == o.dev && ino == o.ino; }
};
struct DevInoHash {
    size_t operator()(const DevIno &k) const { return std::hash<quint64>()(quint64(k.ino) * 0x9E3779B97F4A7C15ULL ^ quint64(k.dev)); }
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
                              : ::openat(at, encodeName(n->name).constData(),
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
        n->unopened = n->children.size();
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
        Node *parent = n->parent;
        if (parent && parent->fd < 0 && parent->unopened > 0) {
            const int up = ::openat(n->fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (up >= 0 && sameDirectory(up, parent))
                hold(parent, up);
            else if (up >= 0)
                ::close(up);
        }
        m_open.erase(std::find(m_open.begin(), m_open.end(), n));
        ::close(n->fd);
        n->fd = -1;
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
            const int fd = step->parent ? ::openat(at, encodeName(step->name).constData(),
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
    quint64 m_clock = 0;
};

class Walk {
public:
    Walk(const QString &root, const std::atomic<bool> &cancel, const TreeWalkProgress &progress, int threads,
         bool descend)
        : m_cancel(cancel)
        , m_progress(progress)
        , m_descend(descend)
        , m_nodes(size_t(threads))
        , m_descriptors(encodeName(root))
    {
        m_top = &m_nodes[0].emplace_back();
        m_top->name = root;
    }

    // Reads the tree below the top on the calling thread and up to
    // threads - 1 more; how many there were.
    int run()
    {
        m_stack.push_back(m_top);
        std::vector<std::thread> helpers(m_nodes.size() - 1);
        int started = 1;
        for (size_t i = 1; i < m_nodes.size(); ++i)
            started += startThread(helpers[i - 1], [this, i] { work(m_nodes[i]); });
        work(m_nodes[0]);
        for (std::thread &t : helpers) {
            if (t.joinable())
                t.join();
        }
        return started;
    }

    Node *top() const { return m_top; }

private:
    void work(std::deque<Node> &own)
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
                m_stack.insert(m_stack.end(), n->children.rbegin(), n->children.rend());
                --m_busy;
            }
            m_wake.notify_all();
        }
    }

    void read(Node *n, std::deque<Node> &own)
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
            const auto [it, fresh] = m_seen.try_emplace(DevIno{n->dev, n->ino}, n);
            if (!fresh) {
                n->state = Node::Again;
                n->reader = it->second;
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
        unsigned seen = 0;
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
            if (name[0] == '.')
                continue; // hidden, and the directory itself and its parent
            unsigned char type = e->d_type;
            struct stat st;
            if (type == DT_UNKNOWN) {
                if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    if (errno == ENOENT)
                        n->vanished.append(decodeName(name, qsizetype(strlen(name))));
                    continue;
                }
                type = IFTODT(st.st_mode);
            }
            if (type == DT_DIR) {
                if (m_descend) {
                    Node &child = own.emplace_back();
                    child.parent = n;
                    child.name = decodeName(name, qsizetype(strlen(name)));
                    subdirectories.emplace_back(child.name, &child);
                }
                continue;
            }
            if (type != DT_REG && type != DT_LNK)
                continue;
            if (::fstatat(fd, name, &st, 0) != 0) {
                // A link that leads nowhere is no file; a name that has gone
                // since it was listed is a file that vanished.
                if (type == DT_REG || ::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                    n->vanished.append(decodeName(name, qsizetype(strlen(name))));
                continue;
            }
            if (!S_ISREG(st.st_mode))
                continue; // a link to a directory is not followed
            n->files.push_back(WalkedFile{decodeName(name, qsizetype(strlen(name))),
                                          FileStamp{qint64(st.st_size), qint64(st.st_mtim.tv_sec)}});
        }
        ::closedir(dir);

        std::sort(subdirectories.begin(), subdirectories.end(),
                  [](const auto &a, const auto &b) { return inListOrder(a.first, b.first); });
        n->children.reserve(subdirectories.size());
        for (const auto &s : subdirectories)
            n->children.push_back(s.second);
        m_descriptors.keep(n, fd);
        report(n);
    }

    void report(const Node *n)
    {
        const qint64 files = qint64(n->files.size());
        const qint64 total = m_files.fetch_add(files, std::memory_order_relaxed) + files;
        if (!m_progress)
            return;
        using Clock = std::chrono::steady_clock;
        const qint64 now = Clock::now().time_since_epoch() / std::chrono::milliseconds(1);
        qint64 last = m_lastReport.load(std::memory_order_relaxed);
        if (now - last >= 50 && m_lastReport.compare_exchange_strong(last, now))
            m_progress(total, pathOf(n));
    }

    static QString pathOf(const Node *n)
    {
        std::vector<const Node *> chain;
        for (; n; n = n->parent)
            chain.push_back(n);
        QString path;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it)
            path += (*it)->parent ? (*it)->name + QLatin1Char('/') : (*it)->name;
        return path;
    }

    const std::atomic<bool> &m_cancel;
    const TreeWalkProgress &m_progress;
    const bool m_descend;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Node *> m_stack;
    int m_busy = 0;
    std::atomic<qint64> m_files{0};
    std::atomic<qint64> m_lastReport{0};
    // Each thread keeps the nodes it makes; a deque never moves them.
    std::vector<std::deque<Node>> m_nodes;
    Node *m_top = nullptr;
    Descriptors m_descriptors;
    std::mutex m_seenMutex;
    std::unordered_map<DevIno, Node *, DevInoHash> m_seen;
};

// The directories in list order, each once, with their paths made here and
// only for what the report holds. A directory that was read elsewhere (a
// bind mount) stands where the list meets it first.
void collect(Node *top, TreeWalkReport &report)
{
    std::unordered_set<DevIno, DevInoHash> emitted;
    QString path;
    // Each node with the length of its parent's path.
    std::vector<std::pair<Node *, qsizetype>> stack{{top, 0}};
    while (!stack.empty()) {
        const auto [listed, parentLength] = stack.back();
        stack.pop_back();
        path.truncate(parentLength);
        path += listed->name;
        if (listed->parent)
            path += QLatin1Char('/');
        if (listed->state == Node::Failed || listed->state == Node::Unread) {
            report.skipped.append(path);
            continue;
        }
        Node *n = listed->state == Node::Again ? listed->reader : listed;
        if (!emitted.insert(DevIno{n->dev, n->ino}).second)
            continue;
        if (!n->files.empty()) {
            report.fileCount += qint64(n->files.size());
            report.directories.push_back(WalkedDirectory{path, std::move(n->files)});
        }
        for (const QString &name : std::as_const(n->vanished))
            report.skipped.append(path + name);
        if (n->readError)
            report.skipped.append(path);
        for (auto it = n->children.rbegin(); it != n->children.rend(); ++it)
            stack.emplace_back(*it, path.size());
    }
}

} // namespace

TreeWalkReport walkTree(const QString &root, const std::atomic<bool> &cancel, const TreeWalkProgress &progress,
                        int threads, bool subdirectories)
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
              threads > 0 ? threads : int(std::max(1u, std::thread::hardware_concurrency())), subdirectories);
    report.threads = walk.run();
    if (cancel.load()) {
        report.cancelled = true;
        return report;
    }
    collect(walk.top(), report);
    return report;
}

} // namespace qn
