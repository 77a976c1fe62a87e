#include "platform/TreeWalk.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qn {

namespace {

struct Node {
    Node *parent = nullptr;
    QByteArray name; // the last component, as the file system spells it
    QByteArray path; // ends in "/"
    QString shown;   // path decoded; the directory string of its entries
    dev_t dev = 0;
    ino_t ino = 0;
    bool opened = false;
    bool readError = false; // opened, but the listing broke off
    bool loop = false;      // one of its own ancestors
    std::vector<WalkedFile> files;
    std::vector<Node *> children; // in the directory list's order
    QStringList vanished;
};

// The directory list's order: by name without case, then exactly.
bool directoryOrder(const QString &a, const QString &b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

class Walk {
public:
    Walk(const std::atomic<bool> &cancel, const TreeWalkProgress &progress, int threads, bool descend)
        : m_cancel(cancel)
        , m_progress(progress)
        , m_descend(descend)
        , m_nodes(size_t(threads))
    {
    }

    // Reads the tree below root on the calling thread and threads - 1 more.
    Node *run(const QString &root)
    {
        Node &top = m_nodes[0].emplace_back();
        top.shown = root;
        top.path = encodeName(root);
        m_stack.push_back(&top);
        std::vector<std::thread> helpers;
        for (size_t i = 1; i < m_nodes.size(); ++i)
            helpers.emplace_back([this, i] { work(m_nodes[i]); });
        work(m_nodes[0]);
        for (std::thread &t : helpers)
            t.join();
        return &top;
    }

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
                // few directories waiting.
                m_stack.insert(m_stack.end(), n->children.rbegin(), n->children.rend());
                --m_busy;
            }
            m_wake.notify_all();
        }
    }

    // Opens by the full path, or step by step below an ancestor whose path
    // the system still takes (PATH_MAX) when the path is longer.
    static int open(const Node *n)
    {
        std::vector<const Node *> below;
        const Node *from = n;
        while (from->parent && from->path.size() >= PATH_MAX) {
            below.push_back(from);
            from = from->parent;
        }
        // Only the root may be reached through a symbolic link.
        const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (from->parent ? O_NOFOLLOW : 0);
        int fd = ::open(from->path.constData(), flags);
        for (auto it = below.rbegin(); fd >= 0 && it != below.rend(); ++it) {
            const int next = ::openat(fd, (*it)->name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
            ::close(fd);
            fd = next;
        }
        return fd;
    }

    static void vanished(Node *n, const char *name)
    {
        n->vanished.append(n->shown + decodeName(name, qsizetype(strlen(name))));
    }

    void addChild(Node *n, const char *name, std::deque<Node> &own, std::vector<std::pair<QString, Node *>> &found)
    {
        Node &child = own.emplace_back();
        const qsizetype length = qsizetype(strlen(name));
        const QString decoded = decodeName(name, length);
        child.parent = n;
        child.name = QByteArray(name, length);
        child.path = n->path + child.name + '/';
        child.shown = n->shown + decoded + QLatin1Char('/');
        found.emplace_back(decoded, &child);
    }

    void read(Node *n, std::deque<Node> &own)
    {
        const int fd = open(n);
        if (fd < 0)
            return;
        struct stat self;
        if (::fstat(fd, &self) != 0) {
            ::close(fd);
            return;
        }
        n->opened = true;
        n->dev = self.st_dev;
        n->ino = self.st_ino;
        for (const Node *a = n->parent; a; a = a->parent) {
            if (a->dev == n->dev && a->ino == n->ino) {
                n->loop = true;
                ::close(fd);
                return;
            }
        }
        DIR *dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            n->opened = false;
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
                        vanished(n, name);
                    continue;
                }
                type = IFTODT(st.st_mode);
            }
            if (type == DT_DIR) {
                if (m_descend)
                    addChild(n, name, own, subdirectories);
                continue;
            }
            if (type != DT_REG && type != DT_LNK)
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
            n->files.push_back(WalkedFile{decodeName(name, qsizetype(strlen(name))),
                                          FileStamp{qint64(st.st_size), qint64(st.st_mtim.tv_sec)}});
        }
        ::closedir(dir);

        std::sort(subdirectories.begin(), subdirectories.end(),
                  [](const auto &a, const auto &b) { return directoryOrder(a.first, b.first); });
        n->children.reserve(subdirectories.size());
        for (const auto &s : subdirectories)
            n->children.push_back(s.second);
        report(qint64(n->files.size()), n->shown);
    }

    void report(qint64 files, const QString &directory)
    {
        const qint64 total = m_files.fetch_add(files, std::memory_order_relaxed) + files;
        if (!m_progress)
            return;
        using Clock = std::chrono::steady_clock;
        const qint64 now = Clock::now().time_since_epoch() / std::chrono::milliseconds(1);
        qint64 last = m_lastReport.load(std::memory_order_relaxed);
        if (now - last >= 50 && m_lastReport.compare_exchange_strong(last, now))
            m_progress(total, directory);
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
};

// The directories in list order, each read once.
void collect(Node *root, TreeWalkReport &report)
{
    std::set<std::pair<dev_t, ino_t>> seen;
    std::vector<Node *> stack{root};
    while (!stack.empty()) {
        Node *n = stack.back();
        stack.pop_back();
        if (!n->opened) {
            report.skipped.append(n->shown);
            continue;
        }
        if (n->loop || !seen.insert({n->dev, n->ino}).second)
            continue;
        if (!n->files.empty()) {
            report.fileCount += qint64(n->files.size());
            report.directories.push_back(WalkedDirectory{n->shown, std::move(n->files)});
        }
        report.skipped += n->vanished;
        if (n->readError)
            report.skipped.append(n->shown);
        stack.insert(stack.end(), n->children.rbegin(), n->children.rend());
    }
}

} // namespace

TreeWalkReport walkTree(const QString &root, const std::atomic<bool> &cancel, const TreeWalkProgress &progress,
                        int threads, bool subdirectories)
{
    TreeWalkReport report;
    report.threads = threads > 0 ? threads : int(std::max(1u, std::thread::hardware_concurrency()));
    QString top = root;
    if (!top.endsWith(QLatin1Char('/')))
        top += QLatin1Char('/');
    if (top.contains(QChar(0))) {
        report.skipped.append(top);
        return report;
    }
    Walk walk(cancel, progress, report.threads, subdirectories);
    Node *rootNode = walk.run(top);
    if (cancel.load()) {
        report.cancelled = true;
        return report;
    }
    collect(rootNode, report);
    return report;
}

} // namespace qn
