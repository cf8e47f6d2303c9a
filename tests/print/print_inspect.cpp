// Reads a rendered page (PNG) and prints what the print test checks:
//   size W H
//   bbox LEFT TOP RIGHT BOTTOM   (inclusive; of the pixels that are not white)
//   blue N                       (pixels close to pure blue)
#include <QImage>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: print_inspect page.png\n");
    return 2;
  }
  const QImage image = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  long blue = 0;
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
      if (r < 240 || g < 240 || b < 240) {
        if (x < left) left = x;
        if (x > right) right = x;
        if (y < top) top = y;
        if (y > bottom) bottom = y;
      }
      if (b > 200 && r < 80 && g < 80) ++blue;
    }
  }
  std::printf("size %d %d\nbbox %d %d %d %d\nblue %ld\n", image.width(), image.height(), left, top,
              right, bottom, blue);
  return 0;
}
