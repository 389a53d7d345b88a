#include "gif_encode.h"

#include <gif_lib.h>

#include <stdexcept>
#include <string>

namespace gen {
namespace {

int append(GifFileType* gif, const GifByteType* data, int len)
{
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + len);
    return len;
}

void check(int rc, const char* what)
{
    if (rc != GIF_OK)
        throw std::runtime_error(std::string("giflib: ") + what);
}

} // namespace

std::vector<uint8_t> encode_gif(const IndexedImage& image)
{
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, append, &error);
    if (gif == nullptr)
        throw std::runtime_error("giflib: cannot open encoder");

    GifColorType colours[256];
    for (size_t i = 0; i < 256; ++i)
        colours[i] = {image.palette[i].r, image.palette[i].g, image.palette[i].b};
    ColorMapObject* map = GifMakeMapObject(256, colours);

    try {
        EGifSetGifVersion(gif, true);
        check(EGifPutScreenDesc(gif, image.width, image.height, 8, kTransparentIndex, map), "screen");

        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSE_DO_NOT;
        gcb.UserInputFlag = false;
        gcb.DelayTime = 0;
        gcb.TransparentColor = kTransparentIndex;
        GifByteType ext[4];
        const size_t len = EGifGCBToExtension(&gcb, ext);
        check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(len), ext), "control block");

        check(EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr), "image");
        std::vector<GifPixelType> row(size_t(image.width));
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x)
                row[size_t(x)] = image.index[size_t(y) * size_t(image.width) + size_t(x)];
            check(EGifPutLine(gif, row.data(), image.width), "row");
        }
    } catch (...) {
        GifFreeMapObject(map);
        EGifCloseFile(gif, &error);
        throw;
    }
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK)
        throw std::runtime_error("giflib: cannot finish the file");
    return out;
}

} // namespace gen
