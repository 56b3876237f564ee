#include "io/key_file.h"

#include "core/key_generator.h"
#include "io/text_file.h"

namespace morvane::io {

KeyLoadResult LoadKeyFile(const std::string& name, KeyTable& table, std::uint8_t& codeWidth)
{
    std::string bytes;
    switch (ReadRegularFile(name, bytes, kMostKeyFileBytes)) {
    case ReadStatus::Ok:
        return ParseKeyFile(bytes, table, codeWidth);
    case ReadStatus::ReadError:
        return ParseKeyFile(bytes, table, codeWidth, KeyBytes::CutByReadError);
    case ReadStatus::NotFound:
    case ReadStatus::OutOfMemory:
        break;
    }
    return {false, kKeyNotFound};
}

KeyWriteResult WriteKeyFile(const std::string& name, const KeyTable& table,
                            const std::function<void(int row)>& rowWritten, WriteOptions options)
{
    options.newFileMode = 0600;
    AtomicFileWriter writer;
    if (!writer.Open(name, options))
        return {false, kKeyCreateFailed, writer.error()};
    return WriteKeyFile(writer, table, rowWritten);
}

KeyWriteResult WriteKeyFile(AtomicFileWriter& writer, const KeyTable& table,
                            const std::function<void(int row)>& rowWritten)
{
    writer.Write(kKeyHeader);
    std::string line;
    for (int row = 1; row <= kKeyRows; ++row) {
        line.clear();
        AppendKeyRow(table.rows[row - 1], line);
        writer.Write(line);
        if (rowWritten)
            rowWritten(row);
    }
    if (!writer.Commit())
        return {false, kKeyWriteFailed, writer.error()};
    return {true, {}, 0};
}

} // namespace morvane::io
