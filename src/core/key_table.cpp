#include "key_table.h"

#include "failure.h"
#include "integer_text.h"

namespace morvane {

namespace {

constexpr std::size_t kHeaderLength = 4;
constexpr std::size_t kMaxWidth = 9;

// The key file is read through bounded reads: characters are taken one at a
// time and a read stops early at a CR, which stays unread so that every later
// read stops there too, and at a Ctrl-Z or the end, which end the file.
class BoundedReader {
public:
    explicit BoundedReader(std::string_view data) : data_(data) {}

    // Appends up to n characters to out; returns how many were taken.
    std::size_t Read(std::size_t n, char* out)
    {
        std::size_t taken = 0;
        while (taken < n && pos_ < data_.size()) {
            const char c = data_[pos_];
            if (c == '\r' || c == kCtrlZ)
                break;
            out[taken++] = c;
            ++pos_;
        }
        return taken;
    }

private:
    std::string_view data_;
    std::size_t pos_ = 0;
};

KeyLoadResult Unreadable() { return {false, kKeyUnreadable}; }

KeyLoadResult Parse(std::string_view bytes, bool ioError, KeyTable& table, std::uint8_t& codeWidth)
{
    BoundedReader reader(bytes);
    char header[kHeaderLength];
    const std::size_t headerLength = reader.Read(kHeaderLength, header);

    // A header cut short has no width character to go by.
    if (headerLength < kHeaderLength || IsNotInteger(std::string_view(header, 2)))
        return Unreadable();

    // The message quotes the character as a text, which ends at a NUL: a
    // NUL is quoted as nothing rather than cutting the message short.
    const char width = header[3];
    if (width < '0' || width > '9')
        throw Failure("'" + std::string(width == '\0' ? 0 : 1, width) + "' is not a valid integer value");
    codeWidth = static_cast<std::uint8_t>(width - '0');

    if (ioError)
        return Unreadable();

    table.Clear();
    char number[kMaxWidth];
    for (int row = 1; row <= kKeyRows; ++row) {
        for (int column = 1; column <= kKeyColumns; ++column) {
            // One bounded read per character: once a read stops at a CR or
            // the end, the rest of the number's reads return nothing.
            const std::size_t length = reader.Read(codeWidth, number);
            const std::string_view text(number, length);
            if (IsNotInteger(text))
                return Unreadable();
            table.cell(row, column) =
                static_cast<std::uint16_t>(static_cast<std::uint32_t>(*ParseIntegerText(text)));
        }
    }
    return {true, {}};
}

} // namespace

KeyLoadResult ParseKeyFile(std::string_view bytes, KeyTable& table, std::uint8_t& codeWidth, KeyBytes read)
{
    static_assert(kMostKeyFileBytes == kHeaderLength + kKeyCells * kMaxWidth);
    return Parse(bytes, read == KeyBytes::CutByReadError, table, codeWidth);
}

} // namespace morvane
