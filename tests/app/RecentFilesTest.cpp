// SPDX-License-Identifier: GPL-3.0-or-later
// File > Open Recent's list and the folder file dialogs start in, without
// the window: real files in a folder of the test's own.
#include "app/RecentFiles.h"

#include "Folders.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using tonvar::app::RecentFiles;

namespace {

struct Recent : ::testing::Test {
    fs::path root;

    void SetUp() override { root = tonvar::test::FreshTestFolder("tonvar-recent"); }
    void TearDown() override { fs::remove_all(root); }

    // A file in the test's folder, made; its path.
    QString File(const std::string &name) const
    {
        const fs::path path = root / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
        return QString::fromStdString(path.string());
    }
    QString Path(const std::string &name) const { return QString::fromStdString((root / name).string()); }
};

} // namespace

// A file opened or saved goes on top; one already listed moves there rather
// than showing twice, however it was named.
TEST_F(Recent, AFileGoesOnTopOnce)
{
    fs::create_directories(root / "sub");
    fs::create_symlink(root / "a.wh", root / "link.wh");
    struct Case {
        const char *name;
        std::vector<std::string> added;
        std::vector<std::string> expected; // newest first
    };
    const Case cases[] = {
        {"one", {"a.wh"}, {"a.wh"}},
        {"newest first", {"a.wh", "b.radio", "c.csv"}, {"c.csv", "b.radio", "a.wh"}},
        {"again moves to top", {"a.wh", "b.radio", "a.wh"}, {"a.wh", "b.radio"}},
        {"another spelling", {"a.wh", "b.radio", "sub/../a.wh"}, {"a.wh", "b.radio"}},
        {"a link to it", {"a.wh", "b.radio", "link.wh"}, {"a.wh", "b.radio"}},
    };
    File("a.wh");
    File("b.radio");
    File("c.csv");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RecentFiles recent;
        for (const std::string &name : c.added)
            recent.Add(Path(name));
        QStringList expected;
        for (const std::string &name : c.expected)
            expected << Path(name);
        EXPECT_EQ(recent.Paths(), expected);
    }
}

// Ten are kept; the oldest drop off.
TEST_F(Recent, TenAreKept)
{
    RecentFiles recent;
    for (int i = 1; i <= 12; ++i)
        recent.Add(File("f" + std::to_string(i) + ".wh"));
    ASSERT_EQ(recent.Paths().size(), 10);
    EXPECT_EQ(recent.Paths().front(), Path("f12.wh"));
    EXPECT_EQ(recent.Paths().back(), Path("f3.wh"));
}

// Files that are gone come off; others stay in their order. Remove takes
// one off, Clear all.
TEST_F(Recent, MissingFilesAndRemovedOnesComeOff)
{
    RecentFiles recent;
    for (const char *name : {"a.wh", "b.wh", "c.wh", "d.wh"})
        recent.Add(File(name));
    fs::remove(root / "b.wh");
    fs::remove(root / "d.wh");
    EXPECT_EQ(recent.RemoveMissing(), 2);
    EXPECT_EQ(recent.Paths(), (QStringList{Path("c.wh"), Path("a.wh")}));
    EXPECT_EQ(recent.RemoveMissing(), 0);
    recent.Remove(Path("c.wh"));
    EXPECT_EQ(recent.Paths(), QStringList{Path("a.wh")});
    recent.Clear();
    EXPECT_TRUE(recent.Paths().isEmpty());
}

// The menu's text: a numbered accelerator, then the file's name with its
// own ampersands shown as such.
TEST(RecentLabels, NumberThenName)
{
    EXPECT_EQ(RecentFiles::Label(0, QStringLiteral("/home/u/channels.wh")), QStringLiteral("&1 channels.wh"));
    EXPECT_EQ(RecentFiles::Label(8, QStringLiteral("/x/a.radio")), QStringLiteral("&9 a.radio"));
    EXPECT_EQ(RecentFiles::Label(9, QStringLiteral("/x/a.radio")), QStringLiteral("1&0 a.radio"));
    EXPECT_EQ(RecentFiles::Label(1, QStringLiteral("/x/R&D.csv")), QStringLiteral("&2 R&&D.csv"));
}

// The list and the last folder are kept for the next start, the list read
// back newest first.
TEST_F(Recent, KeptForTheNextStart)
{
    RecentFiles recent;
    recent.Add(File("a.wh"));
    recent.Add(File("sub/b.csv"));
    recent.Save();
    EXPECT_EQ(RecentFiles::Load().Paths(), (QStringList{Path("sub/b.csv"), Path("a.wh")}));
    RecentFiles().Save();
    EXPECT_TRUE(RecentFiles::Load().Paths().isEmpty());

    tonvar::app::SaveLastFolder(Path("sub/b.csv"));
    EXPECT_EQ(tonvar::app::LoadLastFolder(), Path("sub"));
    fs::remove_all(root / "sub");
    EXPECT_EQ(tonvar::app::LoadLastFolder(), QString()) << "a folder gone is no start";
}
