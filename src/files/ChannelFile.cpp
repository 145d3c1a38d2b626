#include "files/ChannelFile.h"

#include "text/Convert.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tonvar::files {

namespace {

constexpr char kQuote = '"';
constexpr char kComma = ',';
constexpr int kFirstSettingsLine = 17; // 0-based: line 18 holds ComboBox1
constexpr int kSettingsInFile = 9;     // ComboBox1..ComboBox9; ComboBox10 is not kept

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
    std::string out;
    for (std::size_t c = 0; c < row.size(); ++c) {
        if (c > 0)
            out += kComma;
        const std::string &cell = row[c];
        if (!NeedsQuotes(cell)) {
            out += cell;
            continue;
        }
        out += kQuote;
        for (const char ch : cell) {
            if (ch == kQuote)
                out += kQuote;
            out += ch;
        }
        out += kQuote;
    }
    return out;
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

void SaveChannelFile(const memory::ChannelTable &table, const memory::SettingsTexts &settings,
                     const std::string &fileName)
{
    const std::string bytes = ChannelFileText(table, settings);
    // The old file stays whole until the new one is complete on disk.
    std::string temp = fileName + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        CannotCreate(fileName, errno);
    const auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temp.c_str());
        CannotCreate(fileName, error);
    };
    struct stat old {};
    const mode_t mode = ::stat(fileName.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            fail(w < 0 ? errno : EIO);
        done += static_cast<std::size_t>(w);
    }
    if (::fsync(fd) != 0)
        fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        CannotCreate(fileName, error);
    }
    if (::rename(temp.c_str(), fileName.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        CannotCreate(fileName, error);
    }
}

void LoadChannelFile(memory::ChannelTable &table, memory::SettingsTexts &settings, const std::string &fileName)
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
            cannotOpen("The file is too large to be a channel file.");
        }
        text.append(buf, static_cast<std::size_t>(r));
    }
    ::close(fd);
    ApplyChannelFileText(text, table, settings);
}

} // namespace tonvar::files
