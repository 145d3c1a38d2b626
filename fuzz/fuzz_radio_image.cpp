// SPDX-License-Identifier: GPL-3.0-or-later
// Radio images come from disks, mail and other people: any bytes must parse
// into an image or stop with the parser's own message. An image that parsed
// reads through every window's codec into named fields (one name a field),
// compares with itself as equal, saves and parses back the same, is the
// same image when opened and saved unchanged, and given one of its fields'
// texts again is unchanged.
#include "Fuzz.h"

#include "files/RadioImage.h"
#include "signalling/RadioAreas.h"
#include "text/Convert.h"

#include <set>
#include <string>

using namespace tonvar;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    files::RadioImage image;
    try {
        image = files::ParseRadioImage(text);
    } catch (const text::Failure &) {
        return 0;
    }
    Check(files::LooksLikeRadioImage(text), "an image parsed whose first line names no image");
    const auto fields = signalling::ImageFields(image);
    Check(!fields.empty(), "an image has no fields");
    Check(signalling::CompareImages(image, image).empty(), "an image differs from itself");
    Check(files::ParseRadioImage(files::RadioImageText(image)) == image, "a saved image parses back different");
    std::set<std::string> names;
    for (const auto &f : fields)
        Check(names.insert(f.where).second, "two fields have one name");

    const signalling::ImageTexts texts = signalling::ImageTextsOf(image);
    Check(signalling::ApplyChangedTexts(image, texts, texts) == image, "an image opened and saved changed");
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    signalling::ChannelsFromImage(image, table, settings);
    files::RadioImage saved = image;
    signalling::ChannelsToImage(table, settings, saved);
    Check(saved == image, "the channels opened and saved changed the image");
    // Each field given the text it shows: nothing changes.
    const std::size_t pick = size % fields.size();
    files::RadioImage same = image;
    try {
        signalling::SetImageField(same, fields[pick].where, fields[pick].text);
    } catch (const text::Failure &) {
        return 0; // a text that does not convert again (a channel out of range) is refused
    }
    Check(same == image, "a field given its own text changed the image");
    return 0;
}
