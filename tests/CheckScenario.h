#pragma once

#include "TestFiles.h"

namespace qn::test {

// A tree listed, then changed before it is checked: a new folder with files,
// a new file at the top, a folder emptied, a name the filter leaves out, a
// content changed with the same size and time, a file touched, a file
// removed, and a folder that was empty when listed.
struct CheckScenario {
    static constexpr qint64 Time = 1700000000;
    Fixture fx;

    CheckScenario()
    {
        fx.file("top.txt", "top", Time);
        fx.subdir("keep");
        fx.file("keep/a.txt", "aaaa", Time);
        fx.file("keep/b.txt", "bbbb", Time);
        fx.subdir("emptied");
        fx.file("emptied/x.txt", "x", Time);
        fx.file("touched.txt", "t", Time);
        fx.file("removed.txt", "r", Time);
        fx.subdir("was-empty");
    }

    void change() const
    {
        fx.subdir("newdir");
        fx.subdir("newdir/sub");
        fx.file("newdir/n1.txt", "1", Time);
        fx.file("newdir/sub/n2.txt", "22", Time);
        fx.file("late.txt", "late", Time);
        fx.remove("emptied/x.txt");
        fx.file("skip.tmp", "tmp", Time);
        fx.file("keep/b.txt", "BBBB", Time);
        fx.touch("touched.txt", Time + 100);
        fx.remove("removed.txt");
        fx.file("was-empty/w.txt", "w", Time);
    }

    // What a check with the filter leaving *.tmp out finds, path=state, sorted.
    static QStringList expected(const QString &root, const QString &same, const QString &changed,
                                const QString &content, const QString &missing, const QString &added)
    {
        QStringList out{root + "top.txt=" + same,          root + "keep/a.txt=" + same,
                        root + "keep/b.txt=" + content,    root + "emptied/x.txt=" + missing,
                        root + "touched.txt=" + changed,   root + "removed.txt=" + missing,
                        root + "newdir/n1.txt=" + added,   root + "newdir/sub/n2.txt=" + added,
                        root + "late.txt=" + added,        root + "was-empty/w.txt=" + added};
        out.sort();
        return out;
    }
};

} // namespace qn::test
