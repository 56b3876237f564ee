#include "platform/reg_file_store.h"

#include "core/atomic_file.h"
#include "platform/cp1252.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace morvane::platform {

namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kSpaces = " \t";

// How long a writer waits for another one to finish before giving up.
constexpr auto kLockPatience = std::chrono::seconds(5);

// ---------------------------------------------------------------------------
// Text helpers

std::u32string DecodeUtf8(std::string_view utf8)
{
    std::u32string out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
        char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
        bool valid = length > 0 && i + length <= utf8.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        out += valid ? c : U'\uFFFD';
        i += valid ? length : 1;
    }
    return out;
}

// The lower-case letter of Latin, Greek and Cyrillic capitals; other
// characters stand for themselves.
char32_t FoldCase(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        // Latin Extended-A pairs each capital with the small letter after
        // it; the capitals stand at even places except in two runs.
        const bool evenCapitals = c < 0x138 || (c >= 0x14A && c < 0x178);
        const bool capital = evenCapitals == (c % 2 == 0);
        return capital ? c + 1 : c;
    }
    if (c == 0x178)
        return 0xFF;
    return c;
}

// Registry names compare without regard to letter case.
bool SameName(std::string_view a, std::string_view b)
{
    const std::u32string x = DecodeUtf8(a);
    const std::u32string y = DecodeUtf8(b);
    if (x.size() != y.size())
        return false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (FoldCase(x[i]) != FoldCase(y[i]))
            return false;
    }
    return true;
}

std::string_view TrimLeft(std::string_view s)
{
    const auto start = s.find_first_not_of(kSpaces);
    return start == std::string_view::npos ? std::string_view() : s.substr(start);
}

std::string_view TrimRight(std::string_view s)
{
    const auto end = s.find_last_not_of(kSpaces);
    return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

std::string_view Trim(std::string_view s) { return TrimRight(TrimLeft(s)); }

// For ASCII prefixes such as "hex" and "dword:".
bool StartsWithNoCase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = s[i] >= 'A' && s[i] <= 'Z' ? static_cast<char>(s[i] - 'A' + 'a') : s[i];
        if (c != prefix[i])
            return false;
    }
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A name or string in quotes, with \\ and \" escapes.
std::string Quote(std::string_view utf8)
{
    std::string out(1, '"');
    for (char c : utf8) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

// ---------------------------------------------------------------------------
// The file as lines, each kept with its own line end so that a rewrite
// reproduces every untouched line byte for byte.

struct Line {
    std::string text;
    std::string eol; // "\r\n", "\n" or "" (the last line without a line end)
};

std::vector<Line> SplitLines(const std::string& content)
{
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < content.size()) {
        const auto nl = content.find('\n', pos);
        Line line;
        if (nl == std::string::npos) {
            line.text = content.substr(pos);
            pos = content.size();
        } else {
            std::size_t end = nl;
            if (end > pos && content[end - 1] == '\r')
                --end;
            line.text = content.substr(pos, end - pos);
            line.eol = content.substr(end, nl + 1 - end);
            pos = nl + 1;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string JoinLines(const std::vector<Line>& lines)
{
    std::string out;
    for (const auto& line : lines)
        out += line.text + line.eol;
    return out;
}

// The text of a line without a byte order mark at the start of the file.
std::string_view Body(const std::vector<Line>& lines, std::size_t i)
{
    std::string_view text = lines[i].text;
    if (i == 0 && text.substr(0, kBom.size()) == kBom)
        text.remove_prefix(kBom.size());
    return text;
}

// ---------------------------------------------------------------------------
// Values

// A quoted name or string with \\ and \" escapes, starting at s[0] == '"'.
// Gives the unescaped text and the length consumed, or nothing when the
// closing quote is missing.
std::optional<std::pair<std::string, std::size_t>> ParseQuoted(std::string_view s)
{
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"')
            return std::make_pair(out, i + 1);
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"'))
            ++i;
        out += s[i];
    }
    return std::nullopt;
}

std::optional<std::string> ParseHexBytes(std::string_view s)
{
    std::string bytes;
    std::size_t i = 0;
    auto skipSpaces = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
    };
    skipSpaces();
    if (i == s.size())
        return bytes; // zero bytes of data
    for (;;) {
        skipSpaces();
        if (i + 2 > s.size())
            return std::nullopt;
        const int high = HexDigit(s[i]);
        const int low = HexDigit(s[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
        skipSpaces();
        if (i == s.size())
            return bytes;
        if (s[i] != ',')
            return std::nullopt;
        ++i;
    }
}

// The data text after "=", as the program reads it.
std::optional<ValueData> ParseData(std::string_view text)
{
    text = Trim(text);
    ValueData value;
    if (!text.empty() && text[0] == '"') {
        const auto quoted = ParseQuoted(text);
        if (!quoted || quoted->second != text.size())
            return std::nullopt;
        value.type = kRegSz;
        value.data = Utf8ToCp1252(quoted->first);
        value.data += '\0';
        return value;
    }
    if (StartsWithNoCase(text, "dword:")) {
        const std::string_view digits = text.substr(6);
        if (digits.empty() || digits.size() > 8)
            return std::nullopt;
        std::uint32_t number = 0;
        for (char c : digits) {
            const int d = HexDigit(c);
            if (d < 0)
                return std::nullopt;
            number = number * 16 + static_cast<std::uint32_t>(d);
        }
        value.type = kRegDword;
        for (int k = 0; k < 4; ++k)
            value.data += static_cast<char>((number >> (8 * k)) & 0xFF);
        return value;
    }
    if (StartsWithNoCase(text, "hex")) {
        std::string_view rest = text.substr(3);
        std::uint32_t type = kRegBinary;
        if (!rest.empty() && rest[0] == '(') {
            const auto close = rest.find(')');
            if (close == std::string_view::npos || close == 1 || close > 9)
                return std::nullopt;
            type = 0;
            for (char c : rest.substr(1, close - 1)) {
                const int d = HexDigit(c);
                if (d < 0)
                    return std::nullopt;
                type = type * 16 + static_cast<std::uint32_t>(d);
            }
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest[0] != ':')
            return std::nullopt;
        auto bytes = ParseHexBytes(rest.substr(1));
        if (!bytes)
            return std::nullopt;
        value.type = type;
        if ((type == kRegSz || type == kRegExpandSz) && !bytes->empty()) {
            // Stored as UTF-16LE; the program gets 8-bit text with its zero.
            value.data = Utf16LeToCp1252(*bytes);
            value.data += '\0';
        } else {
            value.data = std::move(*bytes);
        }
        return value;
    }
    return std::nullopt;
}

// One value of the key's section, spanning lines first..last.
struct ValueEntry {
    std::size_t first = 0;
    std::size_t last = 0;
    std::string name;        // UTF-8, unescaped
    std::size_t nameEnd = 0; // end of the name in lines[first].text
    bool deleted = false;    // "name"=- : no such value
    std::optional<ValueData> data; // nothing when the data is damaged
};

struct KeyView {
    std::vector<ValueEntry> values;
    std::size_t insertAfter = 0; // where a new value goes: after this line
    std::string eol;             // the line end that the file uses
};

bool IsHeader(std::string_view line)
{
    line = TrimRight(line);
    return line == kHeader5 || line == kHeader4;
}

// The key's part of the file; nothing when the file is no registry file or
// has no section for the key. Several sections of the same key count as one,
// later values replacing earlier ones, as an import would do.
std::optional<KeyView> ParseKey(const std::vector<Line>& lines, std::string_view section)
{
    std::size_t i = 0;
    while (i < lines.size() && Trim(Body(lines, i)).empty())
        ++i;
    if (i == lines.size() || !IsHeader(TrimLeft(Body(lines, i))))
        return std::nullopt;

    KeyView view;
    view.eol = lines[i].eol == "\r\n" ? "\r\n" : "\n";
    bool found = false;
    bool inSection = false;
    for (++i; i < lines.size(); ++i) {
        const std::string_view text = TrimLeft(lines[i].text);
        if (text.empty() || text[0] == ';')
            continue;
        if (text[0] == '[') {
            const std::string_view header = TrimRight(text);
            inSection = header.back() == ']' && SameName(header.substr(1, header.size() - 2), section);
            if (inSection) {
                found = true;
                view.insertAfter = i;
            }
            continue;
        }
        if (!inSection)
            continue;

        ValueEntry entry;
        entry.first = entry.last = i;
        const std::size_t indent = lines[i].text.size() - text.size();
        std::size_t nameLength = 0;
        if (text[0] == '@') {
            nameLength = 1; // the key's default value has the empty name
        } else if (text[0] == '"') {
            const auto quoted = ParseQuoted(text);
            if (!quoted)
                continue; // not a value line
            entry.name = quoted->first;
            nameLength = quoted->second;
        } else {
            continue;
        }
        entry.nameEnd = indent + nameLength;
        std::string_view rest = TrimLeft(text.substr(nameLength));
        if (rest.empty() || rest[0] != '=')
            continue;
        rest = TrimLeft(rest.substr(1));
        std::string data(rest);
        if (StartsWithNoCase(rest, "hex")) {
            // Long hex data goes on over lines that end in a backslash.
            for (;;) {
                std::string_view joined = TrimRight(data);
                if (joined.empty() || joined.back() != '\\' || entry.last + 1 >= lines.size())
                    break;
                data = std::string(joined.substr(0, joined.size() - 1)) +
                       std::string(TrimLeft(lines[++entry.last].text));
            }
        }
        if (Trim(data) == "-")
            entry.deleted = true;
        else
            entry.data = ParseData(data);
        i = entry.last;
        view.insertAfter = entry.last;
        view.values.push_back(std::move(entry));
    }
    if (!found)
        return std::nullopt;
    return view;
}

const ValueEntry* FindValue(const KeyView& view, std::string_view name)
{
    const ValueEntry* match = nullptr;
    for (const auto& entry : view.values) {
        if (SameName(entry.name, name))
            match = &entry;
    }
    return match;
}

// The data text of a REG_SZ value as the file writes it.
std::string StringDataText(const std::string& text)
{
    const std::string bytes = text.substr(0, text.find('\0'));
    bool plain = true;
    for (char c : bytes) {
        if (c == '\r' || c == '\n')
            plain = false;
    }
    if (plain)
        return Quote(Cp1252ToUtf8(bytes));
    // Line breaks cannot stand in a quoted string: write it as regedit does,
    // UTF-16LE with its zero terminator.
    static const char kDigits[] = "0123456789abcdef";
    std::string out = "hex(1):";
    const std::string utf16 = Cp1252ToUtf16Le(bytes) + std::string(2, '\0');
    for (std::size_t k = 0; k < utf16.size(); ++k) {
        if (k > 0)
            out += ',';
        const auto b = static_cast<unsigned char>(utf16[k]);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

// ---------------------------------------------------------------------------
// File access

// Only a regular file (after following links) can hold the settings: a pipe
// would block the reader and a device may never end.
bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == S_IFREG;
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    if (!IsRegularFile(path))
        return std::nullopt;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::string content;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        content.append(buffer.data(), got);
        if (got < buffer.size())
            break;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return std::nullopt;
    return content;
}

bool CanReadAndWrite(const std::string& path)
{
    if (!IsRegularFile(path))
        return false;
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

// An exclusive advisory lock that writers of the settings file take, so that
// each one re-reads the file after the last one's rename.
class WriterLock {
public:
    WriterLock() = default;
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
#ifdef _WIN32
    ~WriterLock()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }

    // A lock file beside the settings file, open without sharing.
    bool Acquire(const std::string& path)
    {
        const std::string lockName = path + ".lock";
        const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
        for (;;) {
            handle_ = CreateFileA(lockName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
            if (handle_ != INVALID_HANDLE_VALUE)
                return true;
            if (GetLastError() != ERROR_SHARING_VIOLATION || std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
    ~WriterLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    // flock on the settings file itself. A writer replaces the file by a
    // rename, so the lock is good only while the name still leads to the
    // locked file; otherwise the new file is locked instead.
    bool Acquire(const std::string& path)
    {
        const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
        for (;;) {
            fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
            if (fd_ < 0)
                return false;
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                struct stat locked {};
                struct stat named {};
                if (::fstat(fd_, &locked) == 0 && ::stat(path.c_str(), &named) == 0 &&
                    locked.st_dev == named.st_dev && locked.st_ino == named.st_ino)
                    return true;
            }
            ::close(fd_);
            fd_ = -1;
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

private:
    int fd_ = -1;
#endif
};

} // namespace

RegFileStore::RegFileStore(std::string filePath) : file_(std::move(filePath)) {}

bool RegFileStore::OpenKey(const std::string& path)
{
    std::string section = "HKEY_CURRENT_USER";
    if (!path.empty())
        section.append("\\").append(Cp1252ToUtf8(path));
    if (!CanReadAndWrite(file_))
        return false;
    const auto content = ReadWholeFile(file_);
    if (!content || !ParseKey(SplitLines(*content), section))
        return false;
    section_ = section;
    return true;
}

std::optional<ValueInfo> RegFileStore::QueryValue(const std::string& name)
{
    const auto value = ReadValue(name);
    if (!value)
        return std::nullopt;
    return ValueInfo{value->type, static_cast<std::uint32_t>(value->data.size())};
}

std::optional<ValueData> RegFileStore::ReadValue(const std::string& name)
{
    if (section_.empty())
        return std::nullopt;
    // Read afresh each time: another instance of the program may have written.
    const auto content = ReadWholeFile(file_);
    if (!content)
        return std::nullopt;
    const auto view = ParseKey(SplitLines(*content), section_);
    if (!view)
        return std::nullopt;
    const ValueEntry* entry = FindValue(*view, Cp1252ToUtf8(name));
    if (!entry || entry->deleted)
        return std::nullopt;
    return entry->data; // nothing for damaged data: it cannot be read
}

bool RegFileStore::WriteString(const std::string& name, const std::string& text)
{
    if (section_.empty())
        return false;
    WriterLock lock;
    if (!lock.Acquire(file_))
        return false;
    const auto content = ReadWholeFile(file_);
    if (!content)
        return false;
    std::vector<Line> lines = SplitLines(*content);
    const auto view = ParseKey(lines, section_);
    if (!view)
        return false; // the key has gone: it is never created here

    const std::string nameUtf8 = Cp1252ToUtf8(name);
    const std::string data = StringDataText(text);
    if (const ValueEntry* entry = FindValue(*view, nameUtf8)) {
        // Keep the name as it stands in the file; replace its data (and any
        // continuation lines it had).
        Line line;
        line.text = lines[entry->first].text.substr(0, entry->nameEnd) + "=" + data;
        line.eol = lines[entry->last].eol;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(entry->first),
                    lines.begin() + static_cast<std::ptrdiff_t>(entry->last) + 1);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(entry->first), std::move(line));
    } else {
        Line line;
        line.text = (nameUtf8.empty() ? std::string("@") : Quote(nameUtf8)) + "=" + data;
        Line& before = lines[view->insertAfter];
        if (before.eol.empty())
            before.eol = view->eol; // the file ended without a line end
        else
            line.eol = view->eol;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(view->insertAfter) + 1, std::move(line));
    }
    return WriteFileAtomically(file_, JoinLines(lines));
}

std::string UserSettingsPath()
{
    if (const char* named = std::getenv("MORVANE_SETTINGS"); named && *named)
        return named;
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules say.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::string(config) + "/morvane/settings.reg";
    const char* home = std::getenv("HOME");
#ifdef _WIN32
    if (!home || !*home)
        home = std::getenv("USERPROFILE");
#else
    if (!home || !*home) {
        if (const passwd* user = ::getpwuid(::getuid()))
            home = user->pw_dir;
    }
#endif
    return std::string(home ? home : "") + "/.config/morvane/settings.reg";
}

} // namespace morvane::platform
