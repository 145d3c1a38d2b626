// Radio images come from disks, mail and other people: any bytes must parse
// into an image or stop with the parser's own message. An image that parsed
// reads through every window's codec into named fields, compares with
// itself as equal, and saves and parses back the same.
#include "Fuzz.h"

#include "files/RadioImage.h"
#include "signalling/RadioAreas.h"
#include "text/Convert.h"

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
    return 0;
}
