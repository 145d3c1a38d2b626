// SPDX-License-Identifier: GPL-3.0-or-later
// Saving respects the user's files: through a symbolic link, with the
// user's umask and the old file's mode and group, into a folder the user may
// not write, and without ever destroying the previous file when a write
// fails half-way.
#include "files/ChannelFile.h"

#include "text/Convert.h"

#include "Failures.h"
#include "Folders.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace tonvar::files;
using tonvar::memory::ChannelTable;
using tonvar::memory::DefaultSettingsTexts;
namespace fs = std::filesystem;
using tonvar::test::ReadFile;

namespace {

constexpr uid_t kNobody = 65534;

void Write(const fs::path &p, const std::string &text)
{
    std::ofstream(p, std::ios::binary) << text;
}

struct stat Stat(const fs::path &p)
{
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
    return st;
}

// The file's bytes as the empty table saves them.
std::string Saved()
{
    return ChannelFileText(ChannelTable(), DefaultSettingsTexts());
}

std::string Save(const fs::path &p)
{
    return tonvar::test::FailureOf([&] { SaveChannelFile(ChannelTable(), DefaultSettingsTexts(), p.string()); });
}

// Sets the umask for its lifetime.
struct Umask {
    mode_t old;
    explicit Umask(mode_t mask) : old(::umask(mask)) {}
    ~Umask() { ::umask(old); }
};

// While it lives a file cannot grow past `bytes`: a write beyond that fails
// half-way with "File too large", as one on a full disk does.
struct FileSizeLimit {
    rlimit old{};
    void (*oldHandler)(int);
    explicit FileSizeLimit(rlim_t bytes) : oldHandler(std::signal(SIGXFSZ, SIG_IGN))
    {
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit limit = old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
};

struct Saving : ::testing::Test {
    fs::path dir;
    void SetUp() override
    {
        dir = tonvar::test::FreshTestFolder("tonvar-save");
        fs::permissions(dir, fs::perms(0755));
    }
    void TearDown() override
    {
        fs::permissions(dir, fs::perms(0755));
        fs::remove_all(dir);
    }
    std::size_t Entries() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }

    // Runs `action` as a user who may not write `dir` and returns what it
    // returns. Root may write anywhere, so as root it runs in a child process
    // that has become "nobody", to whom the `files` it needs are given;
    // otherwise the folder is made read-only meanwhile.
    std::string WithoutFolderRights(const std::vector<fs::path> &files, const std::function<std::string()> &action)
    {
        if (::geteuid() != 0) {
            fs::permissions(dir, fs::perms(0555));
            std::string result = action();
            fs::permissions(dir, fs::perms(0755));
            return result;
        }
        for (const fs::path &f : files)
            EXPECT_EQ(::chown(f.c_str(), kNobody, kNobody), 0);
        int pipe[2];
        EXPECT_EQ(::pipe(pipe), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipe[0]);
            std::string result = "could not become nobody";
            if (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0)
                result = action();
            const ssize_t n = ::write(pipe[1], result.data(), result.size());
            ::_exit(n == static_cast<ssize_t>(result.size()) ? 0 : 1);
        }
        ::close(pipe[1]);
        std::string result;
        char buf[512];
        for (ssize_t n; (n = ::read(pipe[0], buf, sizeof buf)) > 0;)
            result.append(buf, static_cast<std::size_t>(n));
        ::close(pipe[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        return result;
    }
};

} // namespace

TEST_F(Saving, ThroughASymbolicLinkTheFileItPointsToIsWrittenAndTheLinkStays)
{
    fs::create_directories(dir / "files");
    const fs::path real = dir / "files" / "radio.wh";
    Write(real, "old contents");
    fs::create_directories(dir / "links");
    const fs::path link = dir / "links" / "radio.wh";
    fs::create_symlink("../files/radio.wh", link); // relative to the link's folder
    const fs::path chain = dir / "chain.wh";
    fs::create_symlink(link, chain);

    EXPECT_EQ(Save(chain), "");
    EXPECT_EQ(ReadFile(real), Saved());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "../files/radio.wh");
    EXPECT_TRUE(fs::is_symlink(chain));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "files"), fs::directory_iterator()), 1)
        << "no temporary file left beside the file";

    // A link to a file that does not exist yet creates that file.
    const fs::path dangling = dir / "new.wh";
    fs::create_symlink("files/created.wh", dangling);
    EXPECT_EQ(Save(dangling), "");
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(ReadFile(dir / "files" / "created.wh"), Saved());

    // A loop of links is refused with the system's reason.
    fs::create_symlink("b.wh", dir / "a.wh");
    fs::create_symlink("a.wh", dir / "b.wh");
    EXPECT_EQ(Save(dir / "a.wh"),
              "Cannot create file \"" + (dir / "a.wh").string() + "\". Too many levels of symbolic links.");
}

TEST_F(Saving, ANewFileFollowsTheUmaskAndAnExistingOneKeepsItsMode)
{
    const fs::path fresh = dir / "fresh.wh";
    const fs::path shared = dir / "shared.wh";
    const fs::path kept = dir / "kept.wh";
    Write(kept, "old");
    ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
    {
        const Umask mask(077);
        EXPECT_EQ(Save(fresh), "");
        EXPECT_EQ(Save(kept), "");
    }
    {
        const Umask mask(002);
        EXPECT_EQ(Save(shared), "");
    }
    EXPECT_EQ(Stat(fresh).st_mode & 07777, 0600u);
    EXPECT_EQ(Stat(shared).st_mode & 07777, 0664u);
    EXPECT_EQ(Stat(kept).st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(kept), Saved());
}

TEST_F(Saving, AnExistingFileKeepsItsGroupAndForRootItsOwner)
{
    const fs::path file = dir / "group.wh";
    Write(file, "old");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(file.c_str(), 4321, 1234), 0);
        EXPECT_EQ(Save(file), "");
        EXPECT_EQ(Stat(file).st_uid, 4321u);
        EXPECT_EQ(Stat(file).st_gid, 1234u);
        return;
    }
    // Any other user keeps a group he belongs to besides his own.
    gid_t groups[64];
    const int n = ::getgroups(64, groups);
    gid_t other = ::getegid();
    for (int i = 0; i < n; ++i)
        if (groups[i] != ::getegid())
            other = groups[i];
    if (other == ::getegid())
        GTEST_SKIP() << "the user belongs to no second group";
    ASSERT_EQ(::chown(file.c_str(), static_cast<uid_t>(-1), other), 0);
    EXPECT_EQ(Save(file), "");
    EXPECT_EQ(Stat(file).st_gid, other);
}

TEST_F(Saving, InAFolderTheUserCannotWriteTheFileIsRewrittenInPlace)
{
    const fs::path file = dir / "radio.wh";
    Write(file, std::string(3000, 'x')); // longer than the new contents
    const ino_t inode = Stat(file).st_ino;
    const fs::path absent = dir / "absent.wh";

    const std::string result = WithoutFolderRights({file}, [&] { return Save(file) + "|" + Save(absent); });
    EXPECT_EQ(result, "|Cannot create file \"" + absent.string() + "\". Permission denied.")
        << "a file that is not there cannot be created";
    EXPECT_EQ(ReadFile(file), Saved()) << "cut to the new length";
    EXPECT_EQ(Stat(file).st_ino, inode) << "the same file, written where it is";
    EXPECT_EQ(Entries(), 1u);
}

TEST_F(Saving, AWriteThatFailsHalfWayLeavesThePreviousFile)
{
    const fs::path file = dir / "radio.wh";
    const std::string previous(500, 'p');
    Write(file, previous);
    std::string failure;
    {
        const FileSizeLimit limit(100);
        failure = Save(file);
    }
    EXPECT_EQ(failure, "Cannot create file \"" + file.string() + "\". File too large.");
    EXPECT_EQ(ReadFile(file), previous);
    EXPECT_EQ(Entries(), 1u) << "the half-written temporary file is removed";
}

TEST_F(Saving, AnInPlaceWriteThatFailsHalfWayPutsTheOldBytesBack)
{
    const fs::path file = dir / "radio.wh";
    const std::string previous = "old contents\r\n";
    Write(file, previous);
    const std::string failure = WithoutFolderRights({file}, [&] {
        const FileSizeLimit limit(100); // the new contents are longer
        return Save(file);
    });
    EXPECT_EQ(failure, "Cannot create file \"" + file.string() + "\". File too large.");
    EXPECT_EQ(ReadFile(file), previous);
}
