#include "cli/FileKinds.h"

#include "files/ChannelFile.h"
#include "files/RadioImage.h"
#include "files/Roster.h"
#include "text/Convert.h"

#include <sys/stat.h>

namespace tonvar::cli {

FileKind KindOfFile(const std::string &path, std::string *why)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return FileKind::None; // nothing there (a link to nowhere: saving creates its file)
    if (S_ISDIR(st.st_mode))
        return FileKind::Folder;
    const auto other = [why](const std::string &reason) {
        if (why)
            *why = reason;
        return FileKind::Other;
    };
    if (!S_ISREG(st.st_mode))
        return other("It is not a regular file.");
    if (st.st_size == 0)
        return FileKind::None;
    std::string text;
    try {
        text = files::ReadFileBytes(path, "It is larger than any file tonvar writes.");
    } catch (const text::Failure &e) {
        const std::string message = e.what();
        const std::size_t reason = message.find("\". ");
        return other(reason == std::string::npos ? message : message.substr(reason + 3));
    }
    if (files::LooksLikeRadioImage(text))
        return FileKind::RadioImage;
    if (files::IsChannelFileText(text))
        return FileKind::ChannelFile;
    if (files::LooksLikeRoster(text))
        return FileKind::Roster;
    if (files::LooksLikeChannelCsv(text))
        return FileKind::ChannelCsv;
    try {
        files::CheckChannelFileText(text);
    } catch (const text::Failure &e) {
        return other(e.detail());
    }
    return other({});
}

std::string KindName(FileKind kind)
{
    switch (kind) {
    case FileKind::None:
        return "nothing";
    case FileKind::ChannelFile:
        return "a channel file";
    case FileKind::RadioImage:
        return "a radio image (the whole radio)";
    case FileKind::Roster:
        return "a roster (each radio's own values)";
    case FileKind::ChannelCsv:
        return "a CSV channel list";
    case FileKind::Folder:
        return "a folder";
    case FileKind::Other:
        break;
    }
    return "neither a channel file nor a radio image";
}

std::string ReplaceProblem(const std::string &path, FileKind saves, const std::string &command)
{
    std::string why;
    const FileKind kind = KindOfFile(path, &why);
    if (kind == FileKind::None || kind == saves)
        return {};
    if (kind == FileKind::Folder)
        return path + " is a folder";
    const std::string saved = saves == FileKind::RadioImage ? "a radio image" : "a channel file";
    std::string writer;
    switch (kind) {
    case FileKind::ChannelFile:
        writer = " Channel files are written by 'tonvar-cli read'.";
        break;
    case FileKind::RadioImage:
        writer = " Radio images are written by 'tonvar-cli backup'.";
        break;
    case FileKind::Roster:
        writer = " Rosters are written by hand or by a spreadsheet.";
        break;
    case FileKind::ChannelCsv:
        writer = " CSV channel lists are written by File > Export CSV... in tonvar.";
        break;
    default:
        break;
    }
    return path + " holds " + KindName(kind) + (why.empty() ? "." : ": " + text::WithFullStop(why)) + " 'tonvar-cli " +
           command + "' would replace it with " + saved + ", so no radio was touched." + writer +
           " Give another file name, or remove " + path + " first.";
}

} // namespace tonvar::cli
