#include "decoder.h"

#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace morvane {

namespace {

constexpr char kHeader[] = "011";
constexpr int kHeaderLength = 4;
constexpr int kMaxWidth = 5; // a cell holds at most 65535

bool IsSkipped(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitCount(unsigned value)
{
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

constexpr std::array<std::uint32_t, kMaxWidth + 1> kPowersOfTen{1, 10, 100, 1000, 10000, 100000};

constexpr bool kLittleEndian = std::endian::native == std::endian::little;

inline void Prefetch(const char* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

} // namespace

std::string CodeWithoutHeaderMessage()
{
    return "The code does not begin with \"011\" and a width digit.";
}

std::string WidthDiffersMessage(int codeWidth, int keyWidth)
{
    return "The code's numbers have " + std::to_string(codeWidth) + " digits, but the key's numbers have " +
           std::to_string(keyWidth) + ".";
}

std::string IncompleteNumberMessage(int digits, int width)
{
    return "The code is cut short: its last number has " + std::to_string(digits) + " of " +
           std::to_string(width) + " digits.";
}

std::string UnknownNumberMessage(std::string_view number, std::uint64_t position)
{
    return "The code holds " + std::string(number) + " at position " + std::to_string(position) +
           ", which is not a number of this key.";
}

std::string NotADigitMessage(std::uint64_t position)
{
    return "The code holds a character that is not a digit at position " + std::to_string(position) + ".";
}

std::string KeyNumberWidthMessage(unsigned value, int row, int column, int width)
{
    return "The key holds " + std::to_string(value) + " in row " + std::to_string(row) + ", column " +
           std::to_string(column) + ", which does not have the " + std::to_string(width) +
           " digits that the key's width asks for.";
}

std::string KeyNumberTwiceMessage(unsigned value, int row1, int column1, int row2, int column2)
{
    return "The key holds " + std::to_string(value) + " twice, in row " + std::to_string(row1) + ", column " +
           std::to_string(column1) + " and in row " + std::to_string(row2) + ", column " +
           std::to_string(column2) + ".";
}

Decoder::Decoder(const KeyTable& table, std::uint8_t codeWidth, LineBreaks lineBreaks) : width_(codeWidth)
{
    // Every number must have exactly the key's width in digits; since a cell
    // holds at most 65535, no key of a width above 5 (or of width 0) passes.
    for (int row = 1; row <= kKeyRows; ++row) {
        for (int column = 1; column <= kKeyColumns; ++column) {
            const unsigned value = table.cell(row, column);
            if (DigitCount(value) != codeWidth) {
                Fail(KeyNumberWidthMessage(value, row, column, codeWidth));
                return;
            }
        }
    }
    lookup_.assign(kPowersOfTen[codeWidth], 0);
    std::vector<std::uint16_t> cellOf(kPowersOfTen[codeWidth], 0); // cell index + 1
    for (int row = 1; row <= kKeyRows; ++row) {
        const unsigned char character = CharacterOfRow(row);
        const int length = (row == 225 && lineBreaks == LineBreaks::CrLf) ? 2 : 1;
        for (int column = 1; column <= kKeyColumns; ++column) {
            const unsigned value = table.cell(row, column);
            if (cellOf[value] != 0) {
                const int earlier = cellOf[value] - 1;
                Fail(KeyNumberTwiceMessage(value, earlier / kKeyColumns + 1, earlier % kKeyColumns + 1, row,
                                           column));
                lookup_.clear();
                return;
            }
            cellOf[value] = static_cast<std::uint16_t>((row - 1) * kKeyColumns + column);
            lookup_[value] = static_cast<std::uint16_t>(length << 8 | character);
        }
    }
}

bool Decoder::Fail(std::string message)
{
    if (message_.empty())
        message_ = std::move(message);
    return false;
}

// Decodes whole numbers of W digits from the start of code for as long as
// they are clean (digits only, each a number of the key). Returns the count of
// characters taken; whatever stops it is left to TakeCharacter.
template <int W>
std::size_t Decoder::DecodeGroups(const char* code, std::size_t size, char*& out) const
{
    const std::uint16_t* lookup = lookup_.data();
    char* o = out;
    const auto emit = [&o](std::uint16_t entry) {
        o[0] = static_cast<char>(entry & 0xFF);
        o[1] = '\n';
        o += entry >> 8;
    };
    // One number at i; false when it is not clean.
    const auto single = [&](std::size_t i) {
        unsigned value = 0;
        if constexpr (W == 4 && kLittleEndian) {
            // Four digits at once: x holds the digit values in its bytes, the
            // first digit lowest. A byte below '0' sets the high bit of its
            // byte of x, one above '9' that of x + 0x76; carries and borrows
            // only come from a byte that is flagged itself.
            std::uint32_t x;
            std::memcpy(&x, code + i, 4);
            x -= 0x30303030u;
            if (((x | (x + 0x76767676u)) & 0x80808080u) != 0)
                return false;
            x = x * 10 + (x >> 8); // bytes 0 and 2: the two-digit halves
            value = (x & 0xFF) * 100 + ((x >> 16) & 0xFF);
        } else {
            unsigned bad = 0;
            for (int k = 0; k < W; ++k) {
                const unsigned digit = static_cast<unsigned char>(code[i + k]) - unsigned{'0'};
                bad |= digit > 9 ? 1u : 0u;
                value = value * 10 + digit;
            }
            if (bad != 0)
                return false;
        }
        const std::uint16_t entry = lookup[value];
        if (entry == 0)
            return false;
        emit(entry);
        return true;
    };

    std::size_t i = 0;
    for (;;) {
        if constexpr (W == 4 && kLittleEndian) {
            // Two numbers at once, the same way in 64 bits; the code ahead is
            // fetched early, since the loop is too long for the processor to
            // run far ahead by itself.
            for (; i + 8 <= size; i += 8) {
                Prefetch(code + i + 2048);
                std::uint64_t x;
                std::memcpy(&x, code + i, 8);
                x -= 0x3030303030303030u;
                if (((x | (x + 0x7676767676767676u)) & 0x8080808080808080u) != 0)
                    break;
                x = x * 10 + (x >> 8); // bytes 0, 2, 4, 6: the two-digit halves
                x = (x & 0x000000FF000000FFu) * 100 + ((x >> 16) & 0x000000FF000000FFu);
                const std::uint16_t first = lookup[static_cast<std::uint32_t>(x)];
                const std::uint16_t second = lookup[static_cast<std::uint32_t>(x >> 32)];
                if (first == 0 || second == 0)
                    break;
                emit(first);
                emit(second);
            }
        }
        if (i + W > size || !single(i))
            break;
        i += W;
    }
    out = o;
    return i;
}

// Takes one character the slow way: the header, whitespace, a number cut by
// the end of a piece, and the faults.
bool Decoder::TakeCharacter(char c, std::uint64_t position, char*& out)
{
    if (IsSkipped(c))
        return true;
    if (headerLength_ < kHeaderLength) {
        if (headerLength_ < 3 ? c != kHeader[headerLength_] : !IsDigit(c))
            return Fail(CodeWithoutHeaderMessage());
        if (headerLength_ == 3 && c - '0' != width_)
            return Fail(WidthDiffersMessage(c - '0', width_));
        ++headerLength_;
        return true;
    }
    if (!IsDigit(c))
        return Fail(NotADigitMessage(position));
    if (pendingLength_ == 0)
        pendingPosition_ = position;
    pending_[pendingLength_++] = c;
    if (pendingLength_ < width_)
        return true;
    unsigned value = 0;
    for (int k = 0; k < pendingLength_; ++k)
        value = value * 10 + static_cast<unsigned>(pending_[k] - '0');
    const std::uint16_t entry = lookup_[value];
    if (entry == 0)
        return Fail(UnknownNumberMessage(std::string_view(pending_, static_cast<std::size_t>(pendingLength_)),
                                         pendingPosition_));
    out[0] = static_cast<char>(entry & 0xFF);
    out[1] = '\n';
    out += entry >> 8;
    pendingLength_ = 0;
    return true;
}

std::size_t Decoder::TextRoom(std::size_t codeSize) const
{
    // At most codeSize / width + 1 numbers end in a piece, and two bytes are
    // written for every number (the second one stays only after a CR that
    // becomes CR LF).
    return 2 * (codeSize / (width_ == 0 ? 1 : width_) + 2);
}

bool Decoder::Feed(std::string_view code, char* out, std::size_t& written)
{
    written = 0;
    if (!ok())
        return false;
    char* const begin = out;
    const char* data = code.data();
    const std::size_t size = code.size();
    std::size_t i = 0;
    bool good = true;
    while (i < size) {
        if (headerLength_ == kHeaderLength && pendingLength_ == 0) {
            switch (width_) {
            case 1: i += DecodeGroups<1>(data + i, size - i, out); break;
            case 2: i += DecodeGroups<2>(data + i, size - i, out); break;
            case 3: i += DecodeGroups<3>(data + i, size - i, out); break;
            case 4: i += DecodeGroups<4>(data + i, size - i, out); break;
            default: i += DecodeGroups<5>(data + i, size - i, out); break;
            }
            if (i == size)
                break;
        }
        if (!TakeCharacter(data[i], position_ + i + 1, out)) {
            good = false;
            break;
        }
        ++i;
    }
    position_ += i;
    written = static_cast<std::size_t>(out - begin);
    return good;
}

bool Decoder::Feed(std::string_view code, std::string& text)
{
    if (!ok())
        return false;
    const std::size_t start = text.size();
    text.resize(start + TextRoom(code.size()));
    std::size_t written = 0;
    const bool good = Feed(code, text.data() + start, written);
    text.resize(start + written);
    return good;
}

bool Decoder::Finish()
{
    if (!ok())
        return false;
    if (headerLength_ > 0 && headerLength_ < kHeaderLength)
        return Fail(CodeWithoutHeaderMessage());
    if (pendingLength_ > 0)
        return Fail(IncompleteNumberMessage(pendingLength_, width_));
    return true;
}

bool DecodeCode(std::string_view code, const KeyTable& table, std::uint8_t codeWidth, LineBreaks lineBreaks,
                std::string& text, std::string& message)
{
    text.clear();
    Decoder decoder(table, codeWidth, lineBreaks);
    const bool good = decoder.Feed(code, text) && decoder.Finish();
    message = decoder.message();
    return good;
}

} // namespace morvane
