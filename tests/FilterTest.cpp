#include "ScannedNames.h"
#include "TestFiles.h"

#include "platform/NameFilter.h"
#include "platform/TreeWalk.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

namespace qn {
namespace {

using namespace test;

TEST(NameFilter, PatternsMatchTheNameWithoutRegardToCase)
{
    const struct {
        const char *pattern;
        const char *name;
        bool matches;
    } cases[] = {
        {"*.JPG", "photo.jpg", true},         {"*.jpg", "photo.jpeg", false},
        {"*.jpg", "jpg", false},              {"thumbs.db", "Thumbs.db", true},
        {"Thumbs.db", "Thumbs.db.bak", false}, {"tmp*", "TMPfile", true},
        {"*cache*", "MyCacheDir", true},      {"*", "anything", true},
        {"?.txt", "a.txt", true},             {"?.txt", "ab.txt", false},
        {"?.txt", "あ.txt", true},            {"?.txt", "\xF0\x9F\x98\x80.txt", true}, // one character, two units
        {"[a-c]*.log", "B1.log", true},       {"[a-c]*.log", "d.log", false},
        {"[!a-c]*", "d", true},               {"[!a-c]*", "A", false},
        {"[^0-9]x", "7x", false},             {"[]]x", "]x", true},
        {"[x", "[x", true},                   {"[x", "x", false}, // no closing bracket: an ordinary "["
        {"a*b*c", "aXXbYYc", true},           {"a*b*c", "aXXbYY", false},
        {"*.t?t", "notes.TXT", true},         {"ÄBC*", "äbcd", true},
        {"写真*", "写真001.JPG", true},       {"#snapshot", "#SNAPSHOT", true},
        {"$RECYCLE.BIN", "$Recycle.Bin", true}, {"*[0-9]", "take2", true},
        {"*.mkv", "film.M\u212Av", true},    {"*k", "mar\u212A", true}, // the Kelvin sign folds to "k"
    };
    for (const auto &c : cases) {
        const NameFilter::Pattern p(QString::fromUtf8(c.pattern));
        EXPECT_EQ(p.matches(QString::fromUtf8(c.name)), c.matches) << c.pattern << " / " << c.name;
    }
}

TEST(NameFilter, ListsAndTheirRoles)
{
    EXPECT_EQ(splitPatterns(" *.jpg ; ;*.png;"), (QStringList{"*.jpg", "*.png"}));
    EXPECT_TRUE(splitPatterns(" ; ").isEmpty());
    EXPECT_FALSE((FilterPatterns{" ; ", "", " ", false}).isSet());
    EXPECT_TRUE((FilterPatterns{"", "", "", true}).isSet());

    const NameFilter none;
    EXPECT_FALSE(none.isSet());
    EXPECT_TRUE(none.takesFile(u"x.tmp"));
    EXPECT_TRUE(none.entersDirectory(u".git"));

    const NameFilter f(FilterPatterns{"*.jpg; *.png", "*-draft.*", "node_modules;.git", false});
    EXPECT_TRUE(f.takesFile(u"a.JPG"));
    EXPECT_TRUE(f.takesFile(u"b.png"));
    EXPECT_FALSE(f.takesFile(u"c.gif"));            // not included
    EXPECT_FALSE(f.takesFile(u"a-draft.jpg"));      // included, then excluded
    EXPECT_FALSE(f.entersDirectory(u"Node_Modules"));
    EXPECT_TRUE(f.entersDirectory(u"photos"));
    // Directory patterns are no file patterns.
    EXPECT_TRUE(NameFilter(FilterPatterns{"", "", "node_modules", false}).takesFile(u"node_modules"));
}

// One tree, walked and scanned with and without a filter.
class FilteredTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char *d : {"sub", "sub/@eaDir", ".git", "node_modules", ".hdir"})
            fx.subdir(d);
        for (const char *f : {"a.jpg", "b.PNG", "c.txt", "Thumbs.db", ".hidden.jpg", "sub/d.jpg", "sub/@eaDir/e.jpg",
                              ".git/f.jpg", "node_modules/g.jpg", ".hdir/h.jpg"})
            fx.file(f, "x");
    }
    QStringList walked(const FilterPatterns &patterns, bool subdirectories = true) const
    {
        const std::atomic<bool> never{false};
        QStringList paths;
        for (const WalkedDirectory &d : walkTree(fx.path(), never, {}, 2, subdirectories, NameFilter(patterns)).directories) {
            for (const WalkedFile &f : d.files)
                paths.append(d.path.mid(fx.path().size()) + f.name);
        }
        paths.sort();
        return paths;
    }
    QStringList scanned(const FilterPatterns &patterns) const { return scannedNames(fx.path(), NameFilter(patterns)); }
    Fixture fx;
};

TEST_F(FilteredTree, WalksTakeWhatTheFilterTakes)
{
    EXPECT_EQ(walked({}), (QStringList{"Thumbs.db", "a.jpg", "b.PNG", "c.txt", "node_modules/g.jpg", "sub/@eaDir/e.jpg",
                                       "sub/d.jpg"}));
    const FilterPatterns photos{"*.jpg;*.png", "thumbs.db", "@eaDir; node_modules", false};
    EXPECT_EQ(walked(photos), (QStringList{"a.jpg", "b.PNG", "sub/d.jpg"}));
    FilterPatterns withHidden = photos;
    withHidden.hidden = true;
    EXPECT_EQ(walked(withHidden), (QStringList{".git/f.jpg", ".hdir/h.jpg", ".hidden.jpg", "a.jpg", "b.PNG", "sub/d.jpg"}));
    withHidden.excludeDirectories += ";.git";
    EXPECT_EQ(walked(withHidden), (QStringList{".hdir/h.jpg", ".hidden.jpg", "a.jpg", "b.PNG", "sub/d.jpg"}));
    EXPECT_EQ(walked(photos, false), (QStringList{"a.jpg", "b.PNG"}));
}

TEST_F(FilteredTree, TheDirectoryScanTakesWhatTheFilterTakes)
{
    EXPECT_EQ(scanned({}), (QStringList{"Thumbs.db", "a.jpg", "b.PNG", "c.txt"}));
    EXPECT_EQ(scanned({"", "Thumbs.db;*.TXT", "", false}), (QStringList{"a.jpg", "b.PNG"}));
    EXPECT_EQ(scanned({"*.jpg", "", "", true}), (QStringList{".hidden.jpg", "a.jpg"}));
}

TEST(ExtraSettings, RoundTripThroughTheIniFile)
{
    Fixture fx;
    const SettingsStore store(fx.path().chopped(1), QString());
    ExtraSettings extras;
    extras.window = QRect(-1200, 35, 900, 700);
    extras.maximized = true;
    extras.columnWidths = {{"state", 77}, {"sha256", 420}};
    extras.filter = {"*.jpg;写真 *.png", "a,b;#x;\"q\"", "$RECYCLE.BIN;System Volume Information", true};
    SettingsRecord record;
    record.lastGoodDrive = "/";
    record.listDirectory = fx.path();
    ASSERT_TRUE(store.save(record, extras));
    EXPECT_EQ(store.iniFile(), fx.path() + "quilnaver.ini");
    EXPECT_EQ(store.loadExtras(), extras);
    // The ten-line file keeps its shape.
    EXPECT_EQ(readAll(store.settingsFile()), SettingsFileText(record));

    // Saving the filter alone keeps the rest.
    FilterPatterns other{"", "*.tmp", "", false};
    ASSERT_TRUE(store.saveFilter(other));
    ExtraSettings expected = extras;
    expected.filter = other;
    EXPECT_EQ(store.loadExtras(), expected);
}

TEST(ExtraSettings, GarbledOrOutOfRangeValuesGiveDefaults)
{
    Fixture fx;
    const SettingsStore store(fx.path().chopped(1), QString());
    const ExtraSettings defaults;
    EXPECT_EQ(store.loadExtras(), defaults); // no file
    fx.file("quilnaver.ini", QByteArray("\x00\xff\xfe[[[=\n\x01garbage", 17));
    EXPECT_EQ(store.loadExtras(), defaults);
    fx.file("quilnaver.ini", "[Window]\nx=10\ny=20\nwidth=99999999\nheight=600\nmaximized=maybe\n"
                             "[Columns]\nstate=-5\nsha256=300\n[Filter]\ninclude=a,b\nexclude=*.tmp\nhidden=1\n");
    const ExtraSettings read = store.loadExtras();
    EXPECT_FALSE(read.window.has_value()); // one value out of range: no place at all
    EXPECT_FALSE(read.maximized);
    EXPECT_EQ(read.columnWidths, (QMap<QString, int>{{"sha256", 300}}));
    EXPECT_EQ(read.filter, (FilterPatterns{"", "*.tmp", "", false}));
    // A folder where the file should be.
    QDir(fx.path()).remove("quilnaver.ini");
    fx.subdir("quilnaver.ini");
    EXPECT_EQ(store.loadExtras(), defaults);
}

} // namespace
} // namespace qn
