#include "platform/win/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace win {

namespace {

std::string osName(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

std::string_view trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z')
            x -= 32;
        if (y >= 'a' && y <= 'z')
            y -= 32;
        if (x != y)
            return false;
    }
    return true;
}

// One line of the file: its text and its line end as found.
struct Line {
    std::string lead;  // a byte-order mark before the first line: kept, but no part of it
    std::string text;
    std::string end;
    enum Kind { Other, Section, Key } kind = Other;
    std::string name;
    std::string value;
};

Line makeLine(std::string text) {
    Line line;
    line.text = std::move(text);
    line.end = "\r\n";
    return line;
}

// Reads the whole file; false when it exists but cannot be read. A missing file is empty.
bool readFile(const std::string& fileName, std::string& content, bool& exists) {
    content.clear();
    exists = false;
    FILE* f = std::fopen(osName(fileName).c_str(), "rb");
    if (!f)
        return errno == ENOENT;
    exists = true;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        content.append(buf, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

void classify(Line& line) {
    const std::string_view t = trim(line.text);
    line.kind = Line::Other;
    if (t.empty() || t[0] == ';')
        return;
    if (t[0] == '[') {
        const size_t close = t.find(']');
        line.kind = Line::Section;
        line.name = trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        return;
    }
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return;
    line.kind = Line::Key;
    line.name = trim(t.substr(0, eq));
    line.value = trim(t.substr(eq + 1));
}

std::vector<Line> splitLines(const std::string& content) {
    std::vector<Line> lines;
    // Some editors start a UTF-8 file with a byte-order mark; it must not hide the first
    // section's name.
    const bool bom = content.compare(0, 3, "\xEF\xBB\xBF") == 0;
    size_t i = bom ? 3 : 0;
    while (i < content.size()) {
        size_t e = content.find_first_of("\r\n", i);
        Line line;
        if (e == std::string::npos) {
            line.text = content.substr(i);
            i = content.size();
        } else {
            line.text = content.substr(i, e - i);
            size_t endLen = (content[e] == '\r' && e + 1 < content.size() && content[e + 1] == '\n') ? 2 : 1;
            line.end = content.substr(e, endLen);
            i = e + endLen;
        }
        if (bom && lines.empty())
            line.lead = content.substr(0, 3);
        lines.push_back(std::move(line));
    }
    for (Line& line : lines)
        classify(line);
    return lines;
}

// Index of the header line of `section`, or lines.size().
size_t findSection(const std::vector<Line>& lines, std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == Line::Section && sameName(lines[i].name, section))
            return i;
    return lines.size();
}

bool writeFileReplacing(const std::string& fileName, const std::string& content) {
    std::string target = osName(fileName);
    // Replace the file a symbolic link points to, not the link.
    if (char* real = ::realpath(target.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    std::string tmp = target + ".XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return false;
    struct stat sb;
    const mode_t mode = ::stat(target.c_str(), &sb) == 0 ? (sb.st_mode & 07777) : [] {
        mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    bool ok = ::fchmod(fd, mode) == 0;
    size_t done = 0;
    while (ok && done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(tmp.c_str(), target.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(tmp.c_str());
    return ok;
}

bool storable(std::string_view section, std::string_view key, std::string_view value) {
    auto hasLineEnd = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    const std::string_view s = trim(section), k = trim(key);
    if (s.empty() || k.empty() || hasLineEnd(section) || hasLineEnd(key) || hasLineEnd(value))
        return false;
    if (s.find(']') != std::string_view::npos || k.find('=') != std::string_view::npos)
        return false;
    return k[0] != '[' && k[0] != ';';
}

}  // namespace

bool GetPrivateProfileString(const std::string& section, const std::string& key, std::string& value,
                             const std::string& fileName) {
    value.clear();
    std::string content;
    bool exists;
    if (!readFile(fileName, content, exists) || !exists)
        return false;
    const std::vector<Line> lines = splitLines(content);
    const std::string_view s = trim(section), k = trim(key);
    for (size_t i = findSection(lines, s) + 1; i < lines.size(); ++i) {
        if (lines[i].kind == Line::Section)
            break;
        if (lines[i].kind == Line::Key && sameName(lines[i].name, k)) {
            value.assign(lines[i].value);
            return true;
        }
    }
    return false;
}

std::vector<std::string> GetPrivateProfileSectionNames(const std::string& fileName) {
    std::vector<std::string> names;
    std::string content;
    bool exists;
    if (!readFile(fileName, content, exists))
        return names;
    for (const Line& line : splitLines(content))
        if (line.kind == Line::Section)
            names.emplace_back(line.name);
    return names;
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& fileName) {
    if (!storable(section, key, value))
        return false;
    std::string content;
    bool exists;
    if (!readFile(fileName, content, exists))
        return false;
    std::vector<Line> lines = splitLines(content);
    const std::string s(trim(section)), k(trim(key));
    const std::string keyLine = k + "=" + value;

    const size_t header = findSection(lines, s);
    if (header < lines.size()) {
        size_t insertAfter = header;
        bool replaced = false;
        for (size_t i = header + 1; i < lines.size() && lines[i].kind != Line::Section; ++i) {
            if (lines[i].kind != Line::Key)
                continue;
            if (sameName(lines[i].name, k)) {
                lines[i].text = keyLine;
                replaced = true;
                break;
            }
            insertAfter = i;
        }
        if (!replaced) {
            if (lines[insertAfter].end.empty())
                lines[insertAfter].end = "\r\n";
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAfter) + 1, makeLine(keyLine));
        }
    } else {
        const bool hasSection =
            std::any_of(lines.begin(), lines.end(), [](const Line& l) { return l.kind == Line::Section; });
        if (!lines.empty() && lines.back().end.empty())
            lines.back().end = "\r\n";
        if (hasSection && !trim(lines.back().text).empty())
            lines.push_back(makeLine(""));
        lines.push_back(makeLine("[" + s + "]"));
        lines.push_back(makeLine(keyLine));
    }

    std::string out;
    out.reserve(content.size() + keyLine.size() + s.size() + 8);
    for (const Line& line : lines)
        out += line.lead + line.text + line.end;
    return writeFileReplacing(fileName, out);
}

}  // namespace win
