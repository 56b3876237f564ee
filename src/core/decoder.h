// Decoding a code text back into the text it was made from.
#pragma once

#include "key_table.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// How row 225 (the CR of a line break) comes out. The encoder drops the LF of
// every CR LF pair, so by default the decoder puts it back.
enum class LineBreaks {
    CrLf, // row 225 gives CR LF
    Cr,   // row 225 gives CR alone (raw)
};

// Decodes a code text ("011", the width digit, then one number of the key's
// width per character) a piece at a time. Spaces, tabs, CRs and LFs anywhere in
// the code are skipped, so a code that was wrapped into lines on its way still
// decodes. Memory use does not depend on the length of the code.
//
// The decoder is built from a loaded key. A key whose numbers do not all have
// exactly codeWidth decimal digits, or that holds a number in two cells, cannot
// be decoded with: ok() is then false and message() tells why.
class Decoder {
public:
    Decoder(const KeyTable& table, std::uint8_t codeWidth, LineBreaks lineBreaks = LineBreaks::CrLf);

    // False after a failure: a key that cannot decode, or a fault in the code.
    bool ok() const { return message_.empty(); }
    // The failure's message, one line ending in a full stop; empty while ok().
    const std::string& message() const { return message_; }

    // Decodes the next piece of the code and appends the characters it gives
    // to text. False at the first fault; the characters decoded before it have
    // been appended, and every later call returns false at once.
    bool Feed(std::string_view code, std::string& text);
    // The same into a buffer of at least TextRoom(code.size()) bytes; written
    // is the count of bytes put there.
    bool Feed(std::string_view code, char* out, std::size_t& written);
    std::size_t TextRoom(std::size_t codeSize) const;
    // The end of the code: false when it stops inside the header or inside a
    // number. An empty code is a valid code of the empty text.
    bool Finish();

    // Count of code characters taken so far.
    std::uint64_t position() const { return position_; }
    std::uint8_t codeWidth() const { return width_; }

private:
    template <int W>
    std::size_t DecodeGroups(const char* code, std::size_t size, char*& out) const;
    bool TakeCharacter(char c, std::uint64_t position, char*& out);
    bool Fail(std::string message);

    // For each number below 10^width: the character it decodes to in the low
    // byte and the count of bytes it gives (1, or 2 for CR LF) in the high
    // byte; 0 for a number that is in no cell of the key.
    std::vector<std::uint16_t> lookup_;
    std::uint8_t width_;
    std::string message_;
    std::uint64_t position_ = 0;
    int headerLength_ = 0; // characters of the header "011" + width digit seen
    char pending_[8] = {}; // digits of a number cut by the end of a piece
    int pendingLength_ = 0;
    std::uint64_t pendingPosition_ = 0; // position of its first digit, from 1
};

// Decodes a whole code. False with the decoder's message on failure; text then
// holds what was decoded before the fault.
bool DecodeCode(std::string_view code, const KeyTable& table, std::uint8_t codeWidth,
                LineBreaks lineBreaks, std::string& text, std::string& message);

// The decoder's messages.
std::string CodeWithoutHeaderMessage();
std::string WidthDiffersMessage(int codeWidth, int keyWidth);
std::string IncompleteNumberMessage(int digits, int width);
std::string UnknownNumberMessage(std::string_view number, std::uint64_t position);
std::string NotADigitMessage(std::uint64_t position);
std::string KeyNumberWidthMessage(unsigned value, int row, int column, int width);
std::string KeyNumberTwiceMessage(unsigned value, int row1, int column1, int row2, int column2);

} // namespace morvane
