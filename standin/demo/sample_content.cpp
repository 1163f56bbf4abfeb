#include "standin/demo/sample_content.h"

#include <algorithm>

#include <zlib.h>

#include <cstdio>
#include <iterator>
#include <vector>

namespace nubexa::standin {

namespace {

void putBigEndian(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value >> 24));
    out.push_back(static_cast<char>(value >> 16));
    out.push_back(static_cast<char>(value >> 8));
    out.push_back(static_cast<char>(value));
}

void putChunk(std::string& out, const char* type, const std::string& data) {
    putBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    putBigEndian(out,
                 static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.data()),
                                                  static_cast<uInt>(typed.size()))));
}

}  // namespace

std::string makePng(int width, int height, const std::function<Rgb(int x, int y)>& pixel) {
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height) * (static_cast<std::size_t>(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');  // filter: none
        for (int x = 0; x < width; ++x) {
            const Rgb colour = pixel(x, y);
            raw.append(reinterpret_cast<const char*>(colour.data()), colour.size());
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<Bytef> packed(packedSize);
    compress2(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
              static_cast<uLong>(raw.size()), 9);

    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    putBigEndian(header, static_cast<std::uint32_t>(width));
    putBigEndian(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, adaptive, plain
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", std::string(reinterpret_cast<const char*>(packed.data()), packedSize));
    putChunk(png, "IEND", "");
    return png;
}

std::string makeAvatarPng(std::int64_t seed) {
    static constexpr Rgb kColours[] = {{52, 120, 200}, {220, 110, 60}, {70, 160, 90},
                                       {150, 90, 190}, {200, 160, 40}, {60, 170, 170}};
    const Rgb colour = kColours[static_cast<std::size_t>(seed) % std::size(kColours)];
    // The face fills the square (clients show it round); eyes and smile are sampled 4 × 4 per
    // pixel so that their edges stay smooth when a client scales the picture.
    const auto white = [](double x, double y) {
        const double dx = x - 48;
        const double dy = y - 48;
        const double r2 = dx * dx + dy * dy;
        const bool eye = ((x - 34) * (x - 34) + (y - 38) * (y - 38) < 25) ||
                         ((x - 62) * (x - 62) + (y - 38) * (y - 38) < 25);
        return eye || (r2 > 20 * 20 && r2 < 24 * 24 && y > 56);
    };
    return makePng(96, 96, [&](int x, int y) -> Rgb {
        int covered = 0;
        for (int sy = 0; sy < 4; ++sy) {
            for (int sx = 0; sx < 4; ++sx)
                covered += white(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4) ? 1 : 0;
        }
        const auto mix = [&](int channel) {
            return static_cast<std::uint8_t>((channel * (16 - covered) + 255 * covered) / 16);
        };
        return Rgb{mix(colour[0]), mix(colour[1]), mix(colour[2])};
    });
}

Outcome ensureAvatar(const ContentArea& content, std::int64_t accountId) {
    const std::string path = content.avatarPath(accountId);
    if (ContentArea::sizeOf(path))
        return Outcome::success();
    return content.writeWhole(path, makeAvatarPng(accountId));
}

namespace {

bool insideRoundedRect(double x, double y, double left, double top, double right, double bottom,
                       double radius) {
    if (x < left || x > right || y < top || y > bottom)
        return false;
    const double cx = std::clamp(x, left + radius, right - radius);
    const double cy = std::clamp(y, top + radius, bottom - radius);
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

bool nearSegment(double x, double y, double x1, double y1, double x2, double y2, double width) {
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    const double t = std::clamp(((x - x1) * dx + (y - y1) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    const double px = x1 + t * dx - x;
    const double py = y1 + t * dy - y;
    return px * px + py * py <= width * width / 4;
}

// The icon's drawing on a 256-unit canvas.
Rgb iconColourAt(double x, double y) {
    if (!insideRoundedRect(x, y, 8, 8, 248, 248, 56))
        return {255, 255, 255};
    const bool arrow = nearSegment(x, y, 128, 178, 128, 112, 16) ||
                       nearSegment(x, y, 102, 136, 128, 110, 16) ||
                       nearSegment(x, y, 128, 110, 154, 136, 16);
    if (arrow)
        return {47, 128, 237};
    const bool cloud = insideRoundedRect(x, y, 44, 124, 212, 196, 36) ||
                       (x - 100) * (x - 100) + (y - 124) * (y - 124) <= 44 * 44 ||
                       (x - 152) * (x - 152) + (y - 110) * (y - 110) <= 54 * 54;
    if (cloud)
        return {255, 255, 255};
    const double t = (y - 8) / 240;
    return {static_cast<std::uint8_t>(91 + (28 - 91) * t),
            static_cast<std::uint8_t>(157 + (98 - 157) * t),
            static_cast<std::uint8_t>(243 + (199 - 243) * t)};
}

}  // namespace

std::string makeProgramIconPng(int size) {
    // Four samples a pixel smooth the edges.
    return makePng(size, size, [size](int x, int y) -> Rgb {
        int sum[3] = {0, 0, 0};
        for (const double sx : {0.25, 0.75}) {
            for (const double sy : {0.25, 0.75}) {
                const Rgb c = iconColourAt((x + sx) * 256 / size, (y + sy) * 256 / size);
                for (int i = 0; i < 3; ++i)
                    sum[i] += c[i];
            }
        }
        return {static_cast<std::uint8_t>(sum[0] / 4), static_cast<std::uint8_t>(sum[1] / 4),
                static_cast<std::uint8_t>(sum[2] / 4)};
    });
}

std::string makeSeasidePng() {
    return makePng(160, 100, [](int x, int y) -> Rgb {
        if (y < 45)
            return {static_cast<std::uint8_t>(120 + y), static_cast<std::uint8_t>(170 + y), 235};
        if (y < 70)
            return {20, static_cast<std::uint8_t>(90 + (x % 20)), 160};
        return {225, 200, static_cast<std::uint8_t>(140 + (x * y) % 20)};
    });
}

std::string makePdf(const std::string& title, const std::string& line) {
    const std::string stream =
        "BT /F1 18 Tf 60 760 Td (" + title + ") Tj 0 -30 Td /F1 12 Tf (" + line + ") Tj ET";
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R"
        " /Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const std::size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

std::string makeNoise(std::size_t size, std::uint32_t seed) {
    std::string out(size, '\0');
    std::uint32_t state = seed != 0 ? seed : 0x9E3779B9u;
    for (char& c : out) {
        // xorshift32
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        c = static_cast<char>(state >> 24);
    }
    return out;
}

}  // namespace nubexa::standin
