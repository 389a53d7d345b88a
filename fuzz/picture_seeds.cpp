// Writes the fuzzer's seed corpus: one small file of each kind the picture
// decoders read, into the folder given as the argument.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <functional>
#include <utility>

#include "tests/runtime/ui/picture_samples.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    QImage translucent = samples::blocks(12, 10);
    translucent.setPixel(0, 0, qRgba(100, 150, 200, 90));
    translucent.setPixel(11, 9, qRgba(0, 0, 0, 0));
    QImage few(9, 7, QImage::Format_ARGB32);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            few.setPixel(x, y, (x + y) % 3 ? qRgb(250, 10, 10) : qRgb(9, 99, 199));

    samples::GifFrame first;
    first.rect = QRect(0, 0, 6, 5);
    for (int i = 0; i < 30; ++i)
        first.indices.push_back(uint8_t(i % 4));
    first.delay_cs = 20;
    first.disposal = 2;
    samples::GifFrame second = first;
    second.rect = QRect(1, 1, 4, 3);
    second.indices.assign(12, 2);
    second.transparent = 3;
    second.disposal = 3;
    second.interlaced = true;
    second.local_palette = {qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9), qRgb(10, 11, 12)};

    const std::pair<const char*, std::function<Bytes()>> seeds[] = {
        {"baseline.jpg", [&] { return samples::jpeg(samples::blocks(24, 16)); }},
        {"progressive.jpg", [&] { return samples::jpeg(samples::blocks(24, 16), samples::JpegKind::Progressive); }},
        {"gray.jpg", [&] { return samples::jpeg(samples::blocks(16, 16), samples::JpegKind::Gray); }},
        {"cmyk.jpg", [&] { return samples::jpeg(samples::blocks(16, 8), samples::JpegKind::CmykAdobe); }},
        {"rgba.png", [&] { return samples::png(translucent); }},
        {"interlaced.png", [&] { return samples::png_interlaced(translucent); }},
        {"palette.png", [&] { return samples::png(few.convertToFormat(QImage::Format_Indexed8)); }},
        {"animated.gif", [&] {
             return samples::gif(QSize(6, 5), {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)},
                                 {first, second});
         }},
        {"palette.bmp", [&] { return samples::bmp(few, 8); }},
        {"rgb555.bmp", [&] { return samples::bmp(few, 16); }},
        {"alpha.bmp", [&] { return samples::bmp(translucent, 32, true); }},
        {"rle8.bmp", [&] {
             return samples::bmp_rle8(4, 3, {qRgb(1, 2, 3), qRgb(200, 0, 0), qRgb(0, 200, 0)},
                                      {4, 1, 0, 0, 0, 3, 1, 2, 1, 0, 1, 2, 0, 0, 0, 2, 1, 0, 2, 0, 0, 1});
         }},
        {"alpha.ico", [&] { return samples::icon_file(1, {{samples::icon_bitmap(translucent, 32), 12, 10, 32, {}}}); }},
        {"palette.ico", [&] {
             return samples::icon_file(1, {{samples::icon_bitmap(few, 4), 9, 7, 4, {}},
                                           {samples::icon_bitmap(few, 24), 9, 7, 24, {}}});
         }},
        {"png.ico", [&] { return samples::icon_file(1, {{samples::png(translucent), 12, 10, 32, {}}}); }},
        {"pointer.cur", [&] { return samples::icon_file(2, {{samples::icon_bitmap(translucent, 32), 12, 10, 0, {5, 7}}}); }},
    };
    for (const auto& [name, make] : seeds) {
        const Bytes bytes = make();
        QFile file(folder + "/" + name);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size())) {
            std::fprintf(stderr, "cannot write %s\n", name);
            return 1;
        }
    }
    return 0;
}
