#include "monitor/Controls/SkinDrawing.h"

#include <map>
#include <mutex>

#include "platform/Format.h"
#include "platform/Path.h"

using namespace plat;

const Bitmap& LoadResourceIcon(int id) {
    static std::mutex lock;
    static std::map<int, Bitmap> icons;
    std::lock_guard<std::mutex> l(lock);
    auto it = icons.find(id);
    if (it == icons.end())
        it = icons.emplace(id, Bitmap::LoadFile(JoinPath({ProgramFolder(), u"res",
                                                          Format(u"icon_%d.ico", id)})))
                 .first;
    return it->second;
}

void DrawNinePart(Canvas& dc, const CPackImage* image, int w, int h) {
    if (!image) return;
    const Bitmap& b = image->Image();
    struct Part {
        RECT src, dst;
    } parts[] = {
        {{0, 0, 160, 55}, {0, 0, 160, 55}},
        {{260, 0, 270, 55}, {w - 10, 0, w, 55}},
        {{0, 100, 160, 150}, {0, h - 50, 160, h}},
        {{260, 100, 270, 150}, {w - 10, h - 50, w, h}},
        {{160, 0, 162, 55}, {160, 0, w - 10, 55}},
        {{0, 55, 160, 75}, {0, 55, 160, h - 50}},
        {{160, 55, 162, 85}, {160, 55, w - 10, h - 50}},
        {{260, 55, 270, 75}, {w - 10, 55, w, h - 50}},
        {{160, 100, 162, 150}, {160, h - 50, w - 10, h}},
    };
    for (const Part& p : parts)
        if (!IsRectEmpty(p.dst)) dc.StretchBlt(p.dst, b, p.src);
}

void WrapByWidth(std::u16string_view paragraph, int width, const Font& font,
                 std::vector<std::u16string>& lines) {
    std::u16string line;
    for (size_t i = 0; i < paragraph.size();) {
        // One character: a surrogate pair stays whole.
        size_t n = (paragraph[i] >= 0xD800 && paragraph[i] <= 0xDBFF && i + 1 < paragraph.size())
                       ? 2
                       : 1;
        std::u16string candidate = line;
        candidate.append(paragraph.substr(i, n));
        if (!line.empty() && MeasureText(candidate, font).cx > width) {
            lines.push_back(line);
            line.assign(paragraph.substr(i, n));
        } else {
            line = std::move(candidate);
        }
        i += n;
    }
    if (!line.empty()) lines.push_back(line);
}

std::vector<std::u16string> WrapText(std::u16string_view text, int width, const Font& font) {
    std::vector<std::u16string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(u'\n', start);
        std::u16string_view para = text.substr(start, end == std::u16string_view::npos ? text.npos : end - start);
        if (!para.empty() && para.back() == u'\r') para.remove_suffix(1);
        WrapByWidth(para, width, font, lines);
        if (end == std::u16string_view::npos) break;
        start = end + 1;
    }
    return lines;
}
