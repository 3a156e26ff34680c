#include "tools/skingen/Encoders.h"

#include <algorithm>
#include <array>
#include <map>

namespace skingen {

namespace {

void Put16(std::string& out, unsigned v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void Put32(std::string& out, unsigned v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

struct Rgb {
    int r, g, b;
};

// A palette of at most 255 colours (index 255 is kept for transparency):
// the most frequent colours at 5 bits per channel, each pixel mapped to its
// nearest entry.
class Palette {
public:
    explicit Palette(const std::vector<uint32_t>& opaque) {
        std::map<uint32_t, size_t> counts;
        for (uint32_t p : opaque) ++counts[Key(p)];
        std::vector<std::pair<size_t, uint32_t>> byCount;
        for (auto& [k, n] : counts) byCount.push_back({n, k});
        std::sort(byCount.rbegin(), byCount.rend());
        // The exact average colour of each chosen bucket.
        std::map<uint32_t, std::array<uint64_t, 4>> sums;
        for (uint32_t p : opaque) {
            auto& s = sums[Key(p)];
            s[0] += (p >> 16) & 0xFF;
            s[1] += (p >> 8) & 0xFF;
            s[2] += p & 0xFF;
            ++s[3];
        }
        for (size_t i = 0; i < byCount.size() && i < 255; ++i) {
            auto& s = sums[byCount[i].second];
            m_colors.push_back({int(s[0] / s[3]), int(s[1] / s[3]), int(s[2] / s[3])});
        }
        if (m_colors.empty()) m_colors.push_back({0, 0, 0});
    }
    int Index(uint32_t p) {
        auto it = m_cache.find(p);
        if (it != m_cache.end()) return it->second;
        int r = int((p >> 16) & 0xFF), g = int((p >> 8) & 0xFF), b = int(p & 0xFF);
        int best = 0;
        long bestD = -1;
        for (size_t i = 0; i < m_colors.size(); ++i) {
            long dr = r - m_colors[i].r, dg = g - m_colors[i].g, db = b - m_colors[i].b;
            long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (bestD < 0 || d < bestD) {
                bestD = d;
                best = int(i);
            }
        }
        m_cache[p] = best;
        return best;
    }
    const std::vector<Rgb>& Colors() const { return m_colors; }

private:
    static uint32_t Key(uint32_t p) { return p & 0xF8F8F8; }
    std::vector<Rgb> m_colors;
    std::map<uint32_t, int> m_cache;
};

// GIF's variable-length LZW, with a clear code whenever the table fills.
std::string Lzw(const std::vector<uint8_t>& indexes, int minCodeSize) {
    std::string out;
    uint32_t bitBuffer = 0;
    int bitCount = 0;
    const int clear = 1 << minCodeSize, end = clear + 1;
    int codeSize = minCodeSize + 1;
    int next = end + 1;
    std::map<std::pair<int, uint8_t>, int> table;
    auto emit = [&](int code) {
        bitBuffer |= uint32_t(code) << bitCount;
        bitCount += codeSize;
        while (bitCount >= 8) {
            out += char(bitBuffer & 0xFF);
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    emit(clear);
    int prefix = -1;
    for (uint8_t k : indexes) {
        if (prefix < 0) {
            prefix = k;
            continue;
        }
        auto it = table.find({prefix, k});
        if (it != table.end()) {
            prefix = it->second;
            continue;
        }
        emit(prefix);
        if (next < 4096) {
            table[{prefix, k}] = next++;
            if (next > (1 << codeSize) && codeSize < 12) ++codeSize;
        } else {
            emit(clear);
            table.clear();
            next = end + 1;
            codeSize = minCodeSize + 1;
        }
        prefix = k;
    }
    if (prefix >= 0) emit(prefix);
    emit(end);
    if (bitCount > 0) out += char(bitBuffer & 0xFF);
    return out;
}

}  // namespace

std::string EncodeGif(const plat::Bitmap& image, plat::COLORREF matte) {
    int w = image.Width(), h = image.Height();
    std::vector<uint32_t> argb = image.ToArgb();
    int mr = plat::GetRValue(matte), mg = plat::GetGValue(matte), mb = plat::GetBValue(matte);
    std::vector<uint32_t> flat(argb.size());
    std::vector<bool> clear(argb.size());
    std::vector<uint32_t> opaque;
    bool anyClear = false;
    for (size_t i = 0; i < argb.size(); ++i) {
        uint32_t p = argb[i], a = p >> 24;
        if (a < 128) {
            clear[i] = anyClear = true;
            continue;
        }
        auto mix = [a](int c, int m) { return uint32_t((c * int(a) + m * (255 - int(a))) / 255); };
        flat[i] = (mix(int((p >> 16) & 0xFF), mr) << 16) | (mix(int((p >> 8) & 0xFF), mg) << 8) |
                  mix(int(p & 0xFF), mb);
        opaque.push_back(flat[i]);
    }
    Palette palette(opaque);
    std::vector<uint8_t> indexes(argb.size());
    for (size_t i = 0; i < argb.size(); ++i)
        indexes[i] = clear[i] ? 255 : uint8_t(palette.Index(flat[i]));

    std::string out = "GIF89a";
    Put16(out, unsigned(w));
    Put16(out, unsigned(h));
    out += char(0xF7);  // global table of 256 entries
    out += char(0);
    out += char(0);
    for (int i = 0; i < 256; ++i) {
        Rgb c = i < int(palette.Colors().size()) ? palette.Colors()[size_t(i)] : Rgb{mr, mg, mb};
        out += char(c.r);
        out += char(c.g);
        out += char(c.b);
    }
    if (anyClear) {
        out += "\x21\xF9\x04";
        out += char(0x01);  // transparent index present
        Put16(out, 0);
        out += char(255);
        out += char(0);
    }
    out += char(0x2C);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, unsigned(w));
    Put16(out, unsigned(h));
    out += char(0);
    out += char(8);  // minimum code size
    std::string data = Lzw(indexes, 8);
    for (size_t i = 0; i < data.size(); i += 255) {
        size_t n = std::min<size_t>(255, data.size() - i);
        out += char(n);
        out.append(data, i, n);
    }
    out += char(0);
    out += char(0x3B);
    return out;
}

std::string EncodeIco(const std::vector<plat::Bitmap>& images) {
    std::string dir, body;
    Put16(dir, 0);
    Put16(dir, 1);
    Put16(dir, unsigned(images.size()));
    size_t offset = 6 + 16 * images.size();
    for (const auto& img : images) {
        int w = img.Width(), h = img.Height();
        std::vector<uint32_t> argb = img.ToArgb();
        std::string dib;
        Put32(dib, 40);
        Put32(dib, unsigned(w));
        Put32(dib, unsigned(h * 2));  // colour rows and mask rows
        Put16(dib, 1);
        Put16(dib, 32);
        Put32(dib, 0);
        int maskStride = ((w + 31) / 32) * 4;
        Put32(dib, unsigned(w * h * 4 + maskStride * h));
        Put32(dib, 0);
        Put32(dib, 0);
        Put32(dib, 0);
        Put32(dib, 0);
        for (int y = h - 1; y >= 0; --y)
            for (int x = 0; x < w; ++x) {
                uint32_t p = argb[size_t(y) * size_t(w) + size_t(x)];
                dib += char(p & 0xFF);
                dib += char((p >> 8) & 0xFF);
                dib += char((p >> 16) & 0xFF);
                dib += char(p >> 24);
            }
        for (int y = h - 1; y >= 0; --y) {
            std::string row(size_t(maskStride), '\0');
            for (int x = 0; x < w; ++x)
                if ((argb[size_t(y) * size_t(w) + size_t(x)] >> 24) == 0)
                    row[size_t(x / 8)] = char(uint8_t(row[size_t(x / 8)]) | (0x80 >> (x % 8)));
            dib += row;
        }
        dir += char(w >= 256 ? 0 : w);
        dir += char(h >= 256 ? 0 : h);
        dir += char(0);
        dir += char(0);
        Put16(dir, 1);
        Put16(dir, 32);
        Put32(dir, unsigned(dib.size()));
        Put32(dir, unsigned(offset));
        offset += dib.size();
        body += dib;
    }
    return dir + body;
}

}  // namespace skingen
