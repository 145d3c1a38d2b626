// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ChannelFile.h"

#include "files/Delimited.h"
#include "files/RadioImage.h"
#include "files/Roster.h"
#include "text/Convert.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace tonvar::files {

namespace {

constexpr char kQuote = '"';
constexpr char kComma = ',';
constexpr int kFirstSettingsLine = 17; // 0-based: line 18 holds ComboBox1

bool IsBlank(unsigned char c)
{
    return c >= 1 && c <= 32;
}

bool NeedsQuotes(const std::string &cell)
{
    return std::any_of(cell.begin(), cell.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u <= 32 || c == kQuote || c == kComma;
    });
}

std::string SystemReason(int error)
{
    std::string reason = std::strerror(error);
    if (!reason.empty() && reason.back() != '.')
        reason += '.';
    return reason;
}

[[noreturn]] void CannotCreate(const std::string &fileName, int error)
{
    throw text::Failure("Cannot create file \"" + fileName + "\". " + SystemReason(error));
}

} // namespace

std::string FormatRecord(const memory::ChannelRow &row)
{
    return FormatDelimited(row, kComma, NeedsQuotes);
}

std::vector<std::string> ParseRecord(const std::string &line)
{
    // A zero byte ends the record, as it ends a C string.
    const std::size_t n = std::min(line.size(), line.find('\0'));
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(line[i]); };
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < n && IsBlank(at(i)))
        ++i;
    while (i < n) {
        std::string field;
        if (line[i] == kQuote) {
            ++i;
            while (i < n) {
                if (line[i] == kQuote) {
                    if (i + 1 < n && line[i + 1] == kQuote) {
                        field += kQuote;
                        i += 2;
                        continue;
                    }
                    ++i; // the closing quote
                    break;
                }
                field += line[i++];
            }
        } else {
            const std::size_t start = i;
            while (i < n && at(i) > 32 && line[i] != kComma)
                ++i;
            field.assign(line, start, i - start);
        }
        fields.push_back(std::move(field));
        while (i < n && IsBlank(at(i)))
            ++i;
        if (i < n && line[i] == kComma) {
            if (i + 1 >= n)
                fields.emplace_back(); // a comma at the end adds an empty field
            ++i;
            while (i < n && IsBlank(at(i)))
                ++i;
        }
    }
    return fields;
}

std::vector<std::string> SplitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text, start, i - start);
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2u : 1u;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size())
        lines.emplace_back(text, start);
    return lines;
}

std::string ChannelFileText(const memory::ChannelTable &table, const memory::SettingsTexts &settings)
{
    std::string out;
    for (int r = 0; r < table.RowCount(); ++r)
        out += FormatRecord(table.Row(r)) + "\r\n";
    for (int n = 1; n <= kSettingsInFile; ++n)
        out += settings.Box(n) + "\r\n";
    return out;
}

void ApplyChannelFileText(const std::string &text, memory::ChannelTable &table, memory::SettingsTexts &settings)
{
    const std::vector<std::string> lines = SplitLines(text);
    const int n = static_cast<int>(lines.size());
    // Every channel row stays, whatever the file holds: a channel the file
    // lacks is an empty one.
    const int rows = std::clamp(n - kSettingsInFile, memory::kTableRows, kMaxTableRows);
    const int fileRows = std::max(n - kSettingsInFile, 1); // the rows the file has room for
    table.SetRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        memory::ChannelRow &row = table.Row(r);
        if (r >= fileRows) {
            row = memory::ChannelRow{};
            continue;
        }
        if (r > n - 10)
            continue; // the header of a file too short to hold it stays as it was
        row = memory::ChannelRow{};
        const std::vector<std::string> fields = ParseRecord(lines[static_cast<std::size_t>(r)]);
        for (std::size_t c = 0; c < fields.size() && c < row.size(); ++c)
            row[c] = fields[c].empty() ? std::string(" ") : fields[c];
    }
    for (int k = 0; k < kSettingsInFile; ++k) {
        const int line = kFirstSettingsLine + k;
        if (line >= n)
            throw text::Failure("List index out of bounds (" + std::to_string(line) + ")");
        settings.Box(k + 1) = lines[static_cast<std::size_t>(line)];
    }
}

namespace {

// The file a name stands for: symbolic links followed to the end, each
// relative link taken from the folder it lies in. A link whose file does not
// exist yet gives that file's name, so saving creates it.
bool FollowLinks(std::string &path, int &error)
{
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0) {
            error = errno;
            return false;
        }
        target.resize(static_cast<std::size_t>(n));
        if (target.empty() || target.front() != '/') {
            const std::size_t slash = path.rfind('/');
            target = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + target;
        }
        path = std::move(target);
    }
    error = ELOOP;
    return false;
}

std::string FolderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes the bytes from the file's start; returns 0 or the error. `written`
// counts what reached the file, for a restore.
int WriteAll(int fd, const std::string &bytes, std::size_t &written)
{
    written = 0;
    while (written < bytes.size()) {
        const ssize_t w = ::pwrite(fd, bytes.data() + written, bytes.size() - written, static_cast<off_t>(written));
        if (w < 0 && errno == EINTR)
            continue;
        if (w < 0)
            return errno;
        if (w == 0)
            return EIO;
        written += static_cast<std::size_t>(w);
    }
    return 0;
}

// A new file beside `target` that no one else has opened. Its mode is 0666
// less the umask, as for any new file.
int CreateBeside(const std::string &target, std::string &temp)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = target + ".";
        for (int i = 0; i < 6; ++i)
            temp += kLetters[random() % (sizeof kLetters - 1)];
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

enum class Step { Done, FolderRefused, Failed };

// The usual way: a complete new file renamed over the old one, which stays
// whole until then. An existing file's mode, group and (where the user may
// set it) owner go over to the new one.
Step ReplaceWhole(const std::string &target, const std::string &bytes, const struct stat *old, int &error)
{
    std::string temp;
    const int fd = CreateBeside(target, temp);
    if (fd < 0) {
        error = errno;
        return error == EACCES || error == EPERM ? Step::FolderRefused : Step::Failed;
    }
    const auto fail = [&](int e) {
        ::close(fd);
        ::unlink(temp.c_str());
        error = e;
        return Step::Failed;
    };
    if (old) {
        if (::fchown(fd, old->st_uid, old->st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old->st_gid) != 0) {
            // Not a group of the user's: the new file keeps the user's own.
        }
        if (::fchmod(fd, old->st_mode & 07777) != 0)
            return fail(errno);
    }
    std::size_t written = 0;
    if (const int e = WriteAll(fd, bytes, written))
        return fail(e);
    if (::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        error = errno;
        ::unlink(temp.c_str());
        return Step::Failed;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        error = errno;
        ::unlink(temp.c_str());
        // A sticky folder (/tmp) lets only a file's owner replace it.
        return error == EACCES || error == EPERM ? Step::FolderRefused : Step::Failed;
    }
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder); // the rename itself on disk
        ::close(folder);
    }
    return Step::Done;
}

// Where no file may be created beside it: the file rewritten where it is.
// The space is reserved first, so a full disk stops the save before a byte
// changes; a write that fails half-way puts the old bytes back.
int RewriteInPlace(const std::string &target, const std::string &bytes)
{
    bool readable = true;
    int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && errno == EACCES) {
        readable = false;
        fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    }
    if (fd < 0)
        return errno;
    std::string previous;
    if (readable) {
        char buf[65536];
        for (;;) {
            const ssize_t r = ::pread(fd, buf, sizeof buf, static_cast<off_t>(previous.size()));
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0) {
                const int e = errno;
                ::close(fd);
                return e;
            }
            if (r == 0)
                break;
            previous.append(buf, static_cast<std::size_t>(r));
        }
    }
    const auto off = [](std::size_t n) { return static_cast<off_t>(n); };
    const int reserved = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off(bytes.size()));
    if (reserved != 0 && (errno == ENOSPC || errno == EDQUOT || errno == EFBIG)) {
        const int e = errno;
        ::close(fd);
        return e;
    }
    std::size_t written = 0;
    int error = WriteAll(fd, bytes, written);
    if (error == 0 && ::ftruncate(fd, off(bytes.size())) != 0)
        error = errno;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (error != 0 && readable) {
        std::size_t restored = 0;
        const std::string overwritten = previous.substr(0, std::min(written, previous.size()));
        if (WriteAll(fd, overwritten, restored) == 0 && ::ftruncate(fd, off(previous.size())) == 0)
            ::fsync(fd);
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

} // namespace

void SaveChannelFile(const memory::ChannelTable &table, const memory::SettingsTexts &settings,
                     const std::string &fileName)
{
    SaveFileBytes(fileName, ChannelFileText(table, settings));
}

void SaveFileBytes(const std::string &fileName, const std::string &bytes)
{
    // Through a symbolic link, the file it points to is saved and the link
    // stays.
    std::string target = fileName;
    int error = 0;
    if (!FollowLinks(target, error))
        CannotCreate(fileName, error);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    switch (ReplaceWhole(target, bytes, exists ? &old : nullptr, error)) {
    case Step::Done:
        return;
    case Step::FolderRefused:
        if (exists && (error = RewriteInPlace(target, bytes)) == 0)
            return;
        break;
    case Step::Failed:
        break;
    }
    CannotCreate(fileName, error);
}

namespace {

constexpr int kFileLines = 1 + memory::kChannelCount + kSettingsInFile;

// A line of nothing but blanks and tabs (a text of nothing but those and
// line ends).
bool BlankLine(const std::string &line)
{
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// The first line of a text, its UTF-8 byte order mark aside.
std::string FirstLine(const std::string &text)
{
    const std::string start = text.substr(text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0, 4096);
    const std::vector<std::string> lines = SplitLines(start);
    return lines.empty() ? std::string() : lines.front();
}

// What makes a text no channel file, or nothing. Only what no channel file
// holds counts: a line with more or fewer fields than sixteen, or a channel
// line numbered for another channel, is read as the format reads it.
std::string ChannelFileProblem(const std::string &text, const std::vector<std::string> &lines)
{
    const std::string shape =
        "a channel file has " + std::to_string(kFileLines) + " lines: the column captions, 16 channels and 9 settings.";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool binary = std::any_of(lines[i].begin(), lines[i].end(), [](char c) {
            const auto u = static_cast<unsigned char>(c);
            return u < 32 && c != '\t';
        });
        if (binary)
            return "Line " + std::to_string(i + 1) + " holds bytes that are not text.";
    }
    if (BlankLine(text))
        return "It is empty: " + shape;
    // A spreadsheet's list saved with semicolons: a line of the table part
    // with semicolons between its fields and no comma.
    for (std::size_t i = 0; i < lines.size() && i <= static_cast<std::size_t>(memory::kChannelCount); ++i)
        if (lines[i].find(';') != std::string::npos && lines[i].find(',') == std::string::npos)
            return "Line " + std::to_string(i + 1) +
                   " holds fields separated by semicolons; a channel file separates them by commas.";
    if (static_cast<int>(lines.size()) != kFileLines)
        return "It has " + std::to_string(lines.size()) + (lines.size() == 1 ? " line; " : " lines; ") + shape;
    // A setting is one word or number of its box; no box has a comma in it,
    // so a settings line with one is a row of some other list.
    for (std::size_t i = memory::kChannelCount + 1; i < lines.size(); ++i)
        if (lines[i].find(',') != std::string::npos)
            return "Line " + std::to_string(i + 1) +
                   " holds fields separated by commas; a settings line holds one setting.";
    return {};
}

} // namespace

std::vector<std::string> ChannelFileLines(const std::string &text)
{
    std::vector<std::string> lines = SplitLines(text);
    while (static_cast<int>(lines.size()) > kFileLines && BlankLine(lines.back()))
        lines.pop_back();
    return lines;
}

void CheckChannelFileText(const std::string &text)
{
    std::string why = ChannelFileProblem(text, ChannelFileLines(text));
    if (why.empty())
        return;
    // A file of another kind says what it is.
    if (LooksLikeRadioImage(text))
        why = "It is a radio image (the whole radio, \"" + kRadioImageMagic + "\" on its first line).";
    else if (LooksLikeRoster(text))
        why = "It is a roster (its first column is \"port\" or \"serial\").";
    else if (LooksLikeChannelCsv(text))
        why = "It is a CSV channel list (its columns are Location, Frequency, ...): import it as CSV.";
    throw text::Failure("The file is not a channel file.", why);
}

bool LooksLikeChannelCsv(const std::string &text)
{
    const std::vector<std::string> names = ParseRecord(FirstLine(text));
    const auto has = [&](const std::string &name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    return has("Location") && has("Frequency");
}

bool IsChannelFileText(const std::string &text)
{
    return ChannelFileProblem(text, ChannelFileLines(text)).empty();
}

void LoadChannelFile(memory::ChannelTable &table, memory::SettingsTexts &settings, const std::string &fileName)
{
    const std::string text = ReadFileBytes(fileName, "The file is too large to be a channel file.");
    CheckChannelFileText(text);
    // Blank lines after the last setting are no rows of the table.
    std::string lines;
    for (const std::string &line : ChannelFileLines(text))
        lines += line + "\n";
    ApplyChannelFileText(lines, table, settings);
}

std::string ReadFileBytes(const std::string &fileName, const std::string &tooLarge)
{
    const auto cannotOpen = [&](const std::string &reason) {
        throw text::Failure("Cannot open file \"" + fileName + "\". " + reason);
    };
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        cannotOpen(SystemReason(errno));
    std::string text;
    char buf[65536];
    for (;;) {
        const ssize_t r = ::read(fd, buf, sizeof buf);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            const int error = errno;
            ::close(fd);
            cannotOpen(SystemReason(error));
        }
        if (r == 0)
            break;
        if (text.size() + static_cast<std::size_t>(r) > kMaxFileSize) {
            ::close(fd);
            cannotOpen(tooLarge);
        }
        text.append(buf, static_cast<std::size_t>(r));
    }
    ::close(fd);
    return text;
}

} // namespace tonvar::files
