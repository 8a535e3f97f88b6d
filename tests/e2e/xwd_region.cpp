// Compares one rectangle of two window dumps written by xwd:
//   xwd_region A.xwd B.xwd LEFT TOP RIGHT BOTTOM
// Exit 0 when the rectangle differs, 1 when it is the same, 2 when a dump cannot be read.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

struct Dump {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t bytesPerLine = 0;
    std::vector<unsigned char> bytes;
    std::size_t pixels = 0;  // offset of the first row
};

std::uint32_t Field(const std::vector<unsigned char>& b, int index) {
    const std::size_t at = static_cast<std::size_t>(index) * 4;
    return static_cast<std::uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

bool Read(const char* path, Dump& dump) {
    std::ifstream in(path, std::ios::binary);
    dump.bytes.assign(std::istreambuf_iterator<char>(in), {});
    if (dump.bytes.size() < 100)
        return false;
    const std::uint32_t headerSize = Field(dump.bytes, 0);
    dump.width = Field(dump.bytes, 4);
    dump.height = Field(dump.bytes, 5);
    dump.bitsPerPixel = Field(dump.bytes, 11);
    dump.bytesPerLine = Field(dump.bytes, 12);
    const std::uint32_t colours = Field(dump.bytes, 19);
    dump.pixels = static_cast<std::size_t>(headerSize) + static_cast<std::size_t>(colours) * 12;
    return dump.bitsPerPixel % 8 == 0 && dump.bitsPerPixel > 0 &&
           dump.pixels + static_cast<std::size_t>(dump.bytesPerLine) * dump.height <=
               dump.bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: xwd_region A.xwd B.xwd LEFT TOP RIGHT BOTTOM\n");
        return 2;
    }
    Dump a;
    Dump b;
    if (!Read(argv[1], a) || !Read(argv[2], b) || a.width != b.width || a.height != b.height ||
        a.bitsPerPixel != b.bitsPerPixel || a.bytesPerLine != b.bytesPerLine) {
        std::fprintf(stderr, "xwd_region: cannot compare the two dumps\n");
        return 2;
    }
    const long left = std::atol(argv[3]);
    const long top = std::atol(argv[4]);
    const long right = std::atol(argv[5]);
    const long bottom = std::atol(argv[6]);
    if (left < 0 || top < 0 || right > static_cast<long>(a.width) ||
        bottom > static_cast<long>(a.height) || left >= right || top >= bottom) {
        std::fprintf(stderr, "xwd_region: rectangle outside the %ux%u dump\n", a.width, a.height);
        return 2;
    }
    const std::size_t pixel = a.bitsPerPixel / 8;
    long changed = 0;
    for (long y = top; y < bottom; ++y) {
        for (long x = left; x < right; ++x) {
            const std::size_t at = a.pixels + y * a.bytesPerLine + x * pixel;
            for (std::size_t k = 0; k < pixel; ++k) {
                if (a.bytes[at + k] != b.bytes[at + k]) {
                    ++changed;
                    break;
                }
            }
        }
    }
    std::printf("%ld of %ld pixels changed\n", changed, (right - left) * (bottom - top));
    return changed > 0 ? 0 : 1;
}
