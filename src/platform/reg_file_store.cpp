#include "platform/reg_file_store.h"

#include "core/integer_text.h"
#include "io/text_file.h"
#include "platform/cp1252.h"

#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace morvane::platform {

namespace {

constexpr std::string_view kSpaces = " \t";

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

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Names compare without regard to ASCII letter case.
bool StartsWithNoCase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (LowerAscii(s[i]) != LowerAscii(prefix[i]))
            return false;
    }
    return true;
}

bool SameName(std::string_view a, std::string_view b) { return a.size() == b.size() && StartsWithNoCase(a, b); }

// A name or string in quotes, with \\ and \" escapes.
std::string Quote(std::string_view utf8)
{
    std::string out(1, '"');
    for (const char c : utf8) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

// The text in quotes at the start of s (s[0] == '"'), unescaped, and the
// length it takes; nothing when the closing quote is missing.
std::optional<std::pair<std::string, std::size_t>> ParseQuoted(std::string_view s)
{
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i] == '"')
            return std::make_pair(out, i + 1);
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"'))
            ++i;
        out += s[i];
    }
    return std::nullopt;
}

// Hexadecimal digits: at most maxDigits of them, at least one.
std::optional<std::uint32_t> ParseHex(std::string_view digits, std::size_t maxDigits)
{
    if (digits.empty() || digits.size() > maxDigits)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : digits) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

// "01,ff, 00": bytes as pairs of hexadecimal digits; nothing at all is no bytes.
std::optional<std::string> ParseHexBytes(std::string_view s)
{
    std::string bytes;
    if (Trim(s).empty())
        return bytes;
    for (std::size_t start = 0;;) {
        const std::size_t comma = s.find(',', start);
        const std::string_view digits = Trim(s.substr(start, comma - start));
        const auto byte = ParseHex(digits, 2);
        if (!byte || digits.size() != 2)
            return std::nullopt;
        bytes += static_cast<char>(*byte);
        if (comma == std::string_view::npos)
            return bytes;
        start = comma + 1;
    }
}

// The data after "=", as the program reads it.
std::optional<ValueData> ParseData(std::string_view text)
{
    text = Trim(text);
    if (!text.empty() && text[0] == '"') {
        const auto quoted = ParseQuoted(text);
        if (!quoted || quoted->second != text.size())
            return std::nullopt;
        return ValueData{kRegSz, Utf8ToCp1252(quoted->first) + '\0'};
    }
    if (StartsWithNoCase(text, "dword:")) {
        const auto number = ParseHex(text.substr(6), 8);
        if (!number)
            return std::nullopt;
        std::string data;
        for (int k = 0; k < 4; ++k)
            data += static_cast<char>((*number >> (8 * k)) & 0xFF);
        return ValueData{kRegDword, data};
    }
    if (!StartsWithNoCase(text, "hex"))
        return std::nullopt;
    text.remove_prefix(3);
    std::uint32_t type = kRegBinary;
    if (!text.empty() && text[0] == '(') {
        const auto close = text.find(')');
        const auto number = close == std::string_view::npos ? std::nullopt : ParseHex(text.substr(1, close - 1), 8);
        if (!number)
            return std::nullopt;
        type = *number;
        text.remove_prefix(close + 1);
    }
    if (text.empty() || text[0] != ':')
        return std::nullopt;
    auto bytes = ParseHexBytes(text.substr(1));
    if (!bytes)
        return std::nullopt;
    // Strings in hexadecimal are UTF-16LE; the program gets 8-bit text with its zero.
    if ((type == kRegSz || type == kRegExpandSz) && !bytes->empty())
        return ValueData{type, Utf16LeToCp1252(*bytes) + '\0'};
    return ValueData{type, std::move(*bytes)};
}

using Value = RegFileStore::Value;

struct Key {
    std::vector<Value> values;
    std::size_t insertAt = 0; // after the key's last line: where a new value goes
    std::string eol;          // the line end that the file uses
    bool cutShort = false;    // the key's last line asks for a continuation that the file does not have
};

// The key's part of the file, in one pass; nothing when the content is no
// registry file or has no section for the key. Every section of the key
// counts, in the order of the file, as an import merges them; a new value
// goes after the last line of the last one.
std::optional<Key> ParseKey(std::string_view content, std::string_view section)
{
    std::size_t pos = content.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    std::size_t begin = 0;
    std::string_view text;
    const auto nextLine = [&] {
        if (pos >= content.size())
            return false;
        begin = pos;
        const std::size_t newline = content.find('\n', pos);
        const std::size_t end = newline == std::string_view::npos ? content.size() : newline;
        pos = newline == std::string_view::npos ? content.size() : newline + 1;
        text = content.substr(begin, end - begin);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        return true;
    };

    do {
        if (!nextLine())
            return std::nullopt;
    } while (Trim(text).empty());
    if (Trim(text) != "Windows Registry Editor Version 5.00" && Trim(text) != "REGEDIT4")
        return std::nullopt;
    Key key;
    key.eol = content.substr(begin + text.size(), 2) == "\r\n" ? "\r\n" : "\n";

    bool found = false;
    bool inSection = false;
    while (nextLine()) {
        const std::string_view line = TrimLeft(text);
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const std::string_view header = TrimRight(line);
            inSection = header.back() == ']' && SameName(header.substr(1, header.size() - 2), section);
            if (inSection) {
                found = true;
                key.insertAt = pos;
                key.cutShort = false;
            }
            continue;
        }
        if (!inSection || (line[0] != '@' && line[0] != '"'))
            continue;

        Value entry;
        std::size_t nameLength = 1; // "@" is the key's default value, of the empty name
        if (line[0] == '"') {
            const auto quoted = ParseQuoted(line);
            if (!quoted)
                continue;
            entry.name = quoted->first;
            nameLength = quoted->second;
        }
        const std::string_view rest = TrimLeft(line.substr(nameLength));
        if (rest.empty() || rest[0] != '=')
            continue;
        entry.nameEnd = static_cast<std::size_t>(line.data() - content.data()) + nameLength;
        std::string_view piece = TrimRight(TrimLeft(rest.substr(1)));
        std::string data;
        // Long hex data goes on over lines that end in a backslash.
        if (StartsWithNoCase(piece, "hex")) {
            while (!piece.empty() && piece.back() == '\\' && pos < content.size()) {
                data.append(piece.substr(0, piece.size() - 1));
                nextLine();
                piece = Trim(text);
            }
        }
        data.append(piece);
        // "=-" takes the value away: the name reads as absent.
        entry.removed = data == "-";
        if (!entry.removed)
            entry.data = ParseData(data);
        entry.dataEnd = begin + text.size();
        key.insertAt = pos;
        key.cutShort = StartsWithNoCase(data, "hex") && !piece.empty() && piece.back() == '\\';
        key.values.push_back(std::move(entry));
    }
    if (!found)
        return std::nullopt;
    return key;
}

// The last value of that name: the one an import would keep.
const Value* FindValue(const std::vector<Value>& values, const std::string& name)
{
    const std::string wanted = Cp1252ToUtf8(name);
    const Value* match = nullptr;
    for (const Value& value : values) {
        if (SameName(value.name, wanted))
            match = &value;
    }
    return match;
}

std::optional<Key> ReadKey(const std::string& file, std::string_view section, std::string& content)
{
    if (io::ReadRegularFile(file, content) != io::ReadStatus::Ok)
        return std::nullopt;
    return ParseKey(content, section);
}

std::vector<Value> ValuesOf(const std::optional<Key>& key) { return key ? key->values : std::vector<Value>(); }

// An exclusive lock that writers of the settings file take, so that each
// one re-reads the file after the last one's rename. A writer replaces the
// file, so the lock counts only while the name still leads to the locked
// file; otherwise the new file is locked instead. Another writer is waited
// for about a second at most.
class WriterLock {
public:
    explicit WriterLock(const std::string& path)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        for (;;) {
            fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (fd_ < 0)
                return;
            struct stat locked {};
            struct stat named {};
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd_, &locked) == 0 &&
                ::stat(path.c_str(), &named) == 0 && locked.st_dev == named.st_dev && locked.st_ino == named.st_ino)
                return;
            ::close(fd_);
            fd_ = -1;
            if (std::chrono::steady_clock::now() > deadline)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    ~WriterLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace

RegFileStore::RegFileStore(std::string filePath) : file_(std::move(filePath)) {}

bool RegFileStore::OpenKey(const std::string& path)
{
    const int fd = ::open(file_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    const std::string section = "HKEY_CURRENT_USER\\" + Cp1252ToUtf8(path);
    std::string content;
    const auto key = ReadKey(file_, section, content);
    if (!key)
        return false;
    section_ = section;
    values_ = ValuesOf(key);
    return true;
}

void RegFileStore::Refresh()
{
    if (section_.empty())
        return;
    std::string content;
    values_ = ValuesOf(ReadKey(file_, section_, content));
}

std::optional<ValueInfo> RegFileStore::QueryValue(const std::string& name)
{
    const Value* value = FindValue(values_, name);
    if (!value || value->removed)
        return std::nullopt;
    // A value whose data cannot be parsed exists, but cannot be read.
    if (!value->data)
        return ValueInfo{kRegNone, 1};
    return ValueInfo{value->data->type, static_cast<std::uint32_t>(value->data->data.size())};
}

std::optional<ValueData> RegFileStore::ReadValue(const std::string& name)
{
    const Value* value = FindValue(values_, name);
    return value && !value->removed ? value->data : std::nullopt;
}

bool RegFileStore::WriteString(const std::string& name, const std::string& text)
{
    const std::string bytes = text.substr(0, text.find('\0'));
    if (section_.empty() || bytes.find_first_of("\r\n") != std::string::npos)
        return false;
    const WriterLock lock(file_);
    if (!lock)
        return false;
    std::string content;
    const auto key = ReadKey(file_, section_, content);
    if (!key)
        return false; // the key has gone: it is never created here

    std::string data(1, '=');
    data += Quote(Cp1252ToUtf8(bytes));
    if (const Value* entry = FindValue(key->values, name)) {
        // The name stays as it stands in the file; its data (and any lines
        // that continued it) are replaced.
        content.replace(entry->nameEnd, entry->dataEnd - entry->nameEnd, data);
    } else {
        std::string line = (name.empty() ? std::string("@") : Quote(Cp1252ToUtf8(name))) + data;
        // A continuation that the file cut short ends at an empty line, not at the new value.
        if (key->cutShort)
            line.insert(0, key->eol);
        if (key->insertAt == content.size() && !content.empty() && content.back() != '\n') {
            // The file ended without a line end, and still does; a CR at its
            // end gets its LF, so that the last line keeps no stray CR.
            content += (content.back() == '\r' ? std::string("\n") : key->eol) + line;
        } else {
            content.insert(key->insertAt, line + key->eol);
        }
    }
    if (!io::WriteFileAtomically(file_, content, io::WindowSaveOptions()))
        return false;
    values_ = ValuesOf(ParseKey(content, section_));
    return true;
}

bool RegFileStore::CreateKey(const std::string& path)
{
    const std::string section = "HKEY_CURRENT_USER\\" + Cp1252ToUtf8(path);
    {
        const WriterLock lock(file_);
        std::string content;
        if (!lock || io::ReadRegularFile(file_, content) != io::ReadStatus::Ok)
            return false;
        if (!ParseKey(content, section)) {
            const std::string header = "[" + section + "]";
            const auto key = ParseKey(content + "\n" + header + "\n", section);
            if (!key)
                return false; // no registry file
            // After an empty line, which also ends a continuation that the file cut short.
            if (content.back() != '\n')
                content += content.back() == '\r' ? std::string("\n") : key->eol;
            content += key->eol + header + key->eol;
            if (!io::WriteFileAtomically(file_, content))
                return false;
        }
    }
    return OpenKey(path);
}

} // namespace morvane::platform
