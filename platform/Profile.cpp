#include "platform/Profile.h"

#include <mutex>
#include <optional>

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Text.h"

namespace plat {

namespace {

std::mutex g_profileLock;

enum class Encoding { kUtf8, kUtf8Bom, kUtf16Bom, kAnsi };

struct IniText {
    Encoding encoding = Encoding::kUtf8;
    std::vector<std::u16string> lines;  // without line ends
};

bool ValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (int k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

bool Load(std::u16string_view path, IniText& ini) {
    std::string bytes;
    if (!ReadFile(path, bytes)) return false;
    std::u16string text;
    if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFF && uint8_t(bytes[1]) == 0xFE) {
        ini.encoding = Encoding::kUtf16Bom;
        text.assign(reinterpret_cast<const char16_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        ini.encoding = Encoding::kUtf8Bom;
        text = Utf8ToUtf16(std::string_view(bytes).substr(3));
    } else if (ValidUtf8(bytes)) {
        ini.encoding = Encoding::kUtf8;
        text = Utf8ToUtf16(bytes);
    } else {
        ini.encoding = Encoding::kAnsi;
        MultiByteToWide(CP_ACP, bytes, text);
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) end = text.size();
        std::u16string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        ini.lines.push_back(std::move(line));
        start = end + 1;
    }
    return true;
}

bool Save(std::u16string_view path, const IniText& ini) {
    std::u16string text;
    for (const auto& l : ini.lines) {
        text += l;
        text += u"\r\n";
    }
    std::string bytes;
    switch (ini.encoding) {
        case Encoding::kUtf16Bom:
            bytes = "\xFF\xFE";
            bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
            break;
        case Encoding::kUtf8Bom:
            bytes = "\xEF\xBB\xBF" + Utf16ToUtf8(text);
            break;
        case Encoding::kUtf8:
            bytes = Utf16ToUtf8(text);
            break;
        case Encoding::kAnsi:
            WideToMultiByte(CP_ACP, text, bytes);
            break;
    }
    return WriteFile(path, bytes);
}

// "[name]" lines; returns the name.
std::optional<std::u16string_view> SectionOf(std::u16string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != u'[') return std::nullopt;
    size_t close = line.find(u']');
    if (close == std::u16string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// "key=value" lines (not comments); returns the key and sets value.
std::optional<std::u16string_view> KeyOf(std::u16string_view line, std::u16string_view* value) {
    std::u16string_view t = Trim(line);
    if (t.empty() || t.front() == u';' || t.front() == u'[') return std::nullopt;
    size_t eq = t.find(u'=');
    if (eq == std::u16string_view::npos) return std::nullopt;
    if (value) *value = Trim(t.substr(eq + 1));
    return Trim(t.substr(0, eq));
}

// Index of the section's header line, or -1.
long FindSection(const IniText& ini, std::u16string_view section) {
    for (size_t i = 0; i < ini.lines.size(); ++i) {
        auto s = SectionOf(ini.lines[i]);
        if (s && EqualsNoCase(*s, section)) return long(i);
    }
    return -1;
}

// One past the section's last line.
size_t SectionEnd(const IniText& ini, size_t header) {
    size_t i = header + 1;
    while (i < ini.lines.size() && !SectionOf(ini.lines[i])) ++i;
    return i;
}

long FindKey(const IniText& ini, long header, std::u16string_view key, std::u16string_view* value) {
    if (header < 0) return -1;
    size_t end = SectionEnd(ini, size_t(header));
    for (size_t i = size_t(header) + 1; i < end; ++i) {
        auto k = KeyOf(ini.lines[i], value);
        if (k && EqualsNoCase(*k, key)) return long(i);
    }
    return -1;
}

}  // namespace

std::u16string GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                                       std::u16string_view defaultValue,
                                       std::u16string_view path) {
    std::lock_guard<std::mutex> lock(g_profileLock);
    IniText ini;
    if (!Load(path, ini)) return std::u16string(defaultValue);
    std::u16string_view value;
    if (FindKey(ini, FindSection(ini, section), key, &value) < 0)
        return std::u16string(defaultValue);
    if (value.size() >= 2 && ((value.front() == u'"' && value.back() == u'"') ||
                              (value.front() == u'\'' && value.back() == u'\'')))
        value = value.substr(1, value.size() - 2);
    return std::u16string(value);
}

int GetPrivateProfileInt(std::u16string_view section, std::u16string_view key, int defaultValue,
                         std::u16string_view path) {
    const std::u16string kMissing = u"\x01missing";
    std::u16string v = GetPrivateProfileString(section, key, kMissing, path);
    if (v == kMissing) return defaultValue;
    size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == u'-' || v[i] == u'+')) negative = v[i++] == u'-';
    long long n = 0;
    for (; i < v.size() && v[i] >= u'0' && v[i] <= u'9'; ++i) {
        n = n * 10 + (v[i] - u'0');
        if (n > 0xFFFFFFFFll) n = 0xFFFFFFFFll;
    }
    return int(uint32_t(negative ? -n : n));
}

bool WritePrivateProfileString(std::u16string_view section, std::u16string_view key,
                               std::u16string_view value, std::u16string_view path) {
    std::lock_guard<std::mutex> lock(g_profileLock);
    IniText ini;
    // Only a missing file starts empty: one that exists but cannot be read
    // would otherwise be replaced by the single new key.
    if (!Load(path, ini) && GetLastError() != kErrorFileNotFound) return false;
    std::u16string line = std::u16string(key) + u"=" + std::u16string(value);
    long header = FindSection(ini, section);
    if (header < 0) {
        if (!ini.lines.empty() && !Trim(ini.lines.back()).empty()) ini.lines.push_back(u"");
        ini.lines.push_back(u"[" + std::u16string(section) + u"]");
        ini.lines.push_back(line);
        return Save(path, ini);
    }
    long at = FindKey(ini, header, key, nullptr);
    if (at >= 0) {
        ini.lines[size_t(at)] = line;
    } else {
        // After the section's last non-blank line.
        size_t end = SectionEnd(ini, size_t(header));
        while (end > size_t(header) + 1 && Trim(ini.lines[end - 1]).empty()) --end;
        ini.lines.insert(ini.lines.begin() + long(end), line);
    }
    return Save(path, ini);
}

bool DeletePrivateProfileKey(std::u16string_view section, std::u16string_view key,
                             std::u16string_view path) {
    std::lock_guard<std::mutex> lock(g_profileLock);
    IniText ini;
    if (!Load(path, ini)) return true;
    long at = FindKey(ini, FindSection(ini, section), key, nullptr);
    if (at < 0) return true;
    ini.lines.erase(ini.lines.begin() + at);
    return Save(path, ini);
}

bool DeletePrivateProfileSection(std::u16string_view section, std::u16string_view path) {
    std::lock_guard<std::mutex> lock(g_profileLock);
    IniText ini;
    if (!Load(path, ini)) return true;
    long header = FindSection(ini, section);
    if (header < 0) return true;
    ini.lines.erase(ini.lines.begin() + header,
                    ini.lines.begin() + long(SectionEnd(ini, size_t(header))));
    return Save(path, ini);
}

std::vector<std::u16string> GetPrivateProfileSectionNames(std::u16string_view path) {
    std::lock_guard<std::mutex> lock(g_profileLock);
    IniText ini;
    std::vector<std::u16string> names;
    if (!Load(path, ini)) return names;
    for (const auto& l : ini.lines)
        if (auto s = SectionOf(l)) names.emplace_back(*s);
    return names;
}

std::vector<std::u16string> GetPrivateProfileKeys(std::u16string_view section,
                                                  std::u16string_view path) {
    std::lock_guard<std::mutex> lock(g_profileLock);
    IniText ini;
    std::vector<std::u16string> keys;
    if (!Load(path, ini)) return keys;
    long header = FindSection(ini, section);
    if (header < 0) return keys;
    size_t end = SectionEnd(ini, size_t(header));
    for (size_t i = size_t(header) + 1; i < end; ++i)
        if (auto k = KeyOf(ini.lines[i], nullptr)) keys.emplace_back(*k);
    return keys;
}

}  // namespace plat
