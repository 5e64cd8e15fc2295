// Header readers, one per format: each finds the declared width and height
// without decoding anything.
#include "graphics/PictureHeader.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "graphics/PictureSurface.h"

namespace velmora {

namespace {

// Bounds-checked reads: a header cut short declares nothing.
struct Bytes {
    const uint8_t* data;
    size_t size;

    bool has(size_t at, size_t n) const { return at <= size && n <= size - at; }
    bool matches(size_t at, const char* text) const {
        const size_t n = std::strlen(text);
        return has(at, n) && std::memcmp(data + at, text, n) == 0;
    }
    uint32_t le16(size_t at) const { return data[at] | data[at + 1] << 8; }
    uint32_t be16(size_t at) const { return data[at] << 8 | data[at + 1]; }
    uint32_t le32(size_t at) const { return le16(at) | le16(at + 2) << 16; }
    uint32_t be32(size_t at) const { return be16(at) << 16 | be16(at + 2); }
};

using Size = std::optional<DeclaredSize>;

Size png(const Bytes& b) {
    if (!b.matches(0, "\x89PNG\r\n\x1a\n") || !b.matches(12, "IHDR") || !b.has(16, 8)) return {};
    return DeclaredSize{b.be32(16), b.be32(20)};
}

Size bmp(const Bytes& b) {
    if (!b.matches(0, "BM") || !b.has(14, 4)) return {};
    if (b.le32(14) == 12) {
        if (!b.has(18, 4)) return {};
        return DeclaredSize{b.le16(18), b.le16(20)};
    }
    if (!b.has(18, 8)) return {};
    // A negative height means rows stored top-down.
    const auto width = static_cast<int32_t>(b.le32(18));
    const auto height = static_cast<int32_t>(b.le32(22));
    return DeclaredSize{width < 0 ? -int64_t{width} : width,
                        height < 0 ? -int64_t{height} : height};
}

// The first image descriptor, found as the decoder finds it: extension blocks
// are skipped and so is any other byte until a ',' (or the ';' that ends the
// file). An extension that runs to the end of the file, where the decoder
// would read forever, or an image with an unusable code size declares nothing.
Size gif(const Bytes& b) {
    if (!b.matches(0, "GIF87a") && !b.matches(0, "GIF89a")) return {};
    if (!b.has(10, 1)) return {};
    size_t at = 13;
    if (b.data[10] & 0x80) at += 3u << ((b.data[10] & 7) + 1);
    while (b.has(at, 1)) {
        const uint8_t c = b.data[at];
        if (c == ';') return {};
        if (c == ',') {
            if (!b.has(at + 5, 5)) return {};
            // The LZW code size follows the image's own colour table. Beyond
            // 11 the decoder's code tables overflow (and it loops on larger ones).
            const uint8_t flags = b.data[at + 9];
            const size_t code_size_at = at + 10 + (flags & 0x80 ? 3u << ((flags & 7) + 1) : 0);
            if (!b.has(code_size_at, 1) || b.data[code_size_at] < 1 || b.data[code_size_at] > 11)
                return {};
            return DeclaredSize{b.le16(at + 5), b.le16(at + 7)};
        }
        if (c != '!') {
            ++at;
            continue;
        }
        // The decoder takes the first block of a graphic control extension
        // whatever its length, even the zero that would end the extension.
        const bool graphic_control = b.has(at + 1, 1) && b.data[at + 1] == 0xF9;
        at += 2;
        if (graphic_control && b.has(at, 1)) at += 1 + b.data[at];
        while (b.has(at, 1) && b.data[at] != 0) at += 1 + b.data[at];
        ++at;
    }
    return {};
}

// The first start-of-frame marker; the table and restart markers are not frames.
Size jpeg(const Bytes& b) {
    if (!b.matches(0, "\xFF\xD8")) return {};
    size_t at = 2;
    while (b.has(at, 4) && b.data[at] == 0xFF) {
        const uint8_t marker = b.data[at + 1];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            if (!b.has(at + 5, 4)) return {};
            return DeclaredSize{b.be16(at + 7), b.be16(at + 5)};
        }
        at += 2 + b.be16(at + 2);
    }
    return {};
}

// Width and height as decimal text after the magic, read as the decoder reads
// them: blanks and comments are skipped, then the first byte counts as a digit
// whatever it is, and the number runs on while digits follow, wrapping as the
// decoder's 32-bit arithmetic does.
Size pnm(const Bytes& b) {
    if (!b.has(0, 2) || b.data[0] != 'P' || b.data[1] < '1' || b.data[1] > '6') return {};
    size_t at = 2;
    int64_t values[2] = {0, 0};
    for (int64_t& value : values) {
        uint8_t c = 0;
        do {
            if (!b.has(at, 1)) return {};
            c = b.data[at++];
            if (c == '#') {
                do {
                    if (!b.has(at, 1)) return {};
                    c = b.data[at++];
                } while (c != '\r' && c != '\n');
            }
        } while (std::isspace(c));
        uint32_t number = 0;
        do {
            number = number * 10 + static_cast<uint32_t>(c - '0');
            if (!b.has(at, 1)) return {};
            c = b.data[at++];
        } while (c >= '0' && c <= '9');
        value = std::max<int64_t>(static_cast<int32_t>(number), 0);
    }
    return DeclaredSize{values[0], values[1]};
}

Size pcx(const Bytes& b) {
    if (!b.has(0, 12) || b.data[0] != 0x0A || b.data[2] != 1) return {};
    const int64_t width = int64_t{b.le16(8)} - b.le16(4) + 1;
    const int64_t height = int64_t{b.le16(10)} - b.le16(6) + 1;
    return DeclaredSize{width < 0 ? 0 : width, height < 0 ? 0 : height};
}

Size ilbm(const Bytes& b) {
    if (!b.matches(0, "FORM") || !b.matches(12, "BMHD") || !b.has(20, 4)) return {};
    return DeclaredSize{b.be16(20), b.be16(22)};
}

Size webp(const Bytes& b) {
    if (!b.matches(0, "RIFF") || !b.matches(8, "WEBP")) return {};
    if (b.matches(12, "VP8X") && b.has(24, 6)) {
        const uint32_t w = b.le16(24) | b.data[26] << 16;
        const uint32_t h = b.le16(27) | b.data[29] << 16;
        return DeclaredSize{int64_t{w} + 1, int64_t{h} + 1};
    }
    if (b.matches(12, "VP8L") && b.has(21, 4)) {
        const uint32_t bits = b.le32(21);
        return DeclaredSize{int64_t{bits & 0x3FFF} + 1, int64_t{bits >> 14 & 0x3FFF} + 1};
    }
    if (b.matches(12, "VP8 ") && b.has(26, 4))
        return DeclaredSize{b.le16(26) & 0x3FFF, b.le16(28) & 0x3FFF};
    return {};
}

} // namespace

std::optional<DeclaredSize> declaredPictureSize(const uint8_t* data, size_t size) {
    const Bytes bytes{data, size};
    for (Size (*reader)(const Bytes&) : {png, bmp, gif, jpeg, pnm, pcx, ilbm, webp})
        if (Size found = reader(bytes)) return found;
    return {};
}

bool refusedBeforeDecoding(const uint8_t* data, size_t size) {
    const std::optional<DeclaredSize> declared = declaredPictureSize(data, size);
    const bool oversized =
        declared && (declared->width > MAX_SURFACE_SIDE || declared->height > MAX_SURFACE_SIDE ||
                     declared->width * declared->height > MAX_SURFACE_PIXELS);
    const Bytes bytes{data, size};
    // The image library's reader of GIMP's working files loops forever on a
    // file cut short; games do not ship them.
    if (bytes.matches(0, "gimp xcf")) return true;
    // The GIF decoder also writes through a null surface for an empty first image.
    if (bytes.matches(0, "GIF8"))
        return !declared || declared->width == 0 || declared->height == 0 || oversized;
    return oversized;
}

} // namespace velmora
