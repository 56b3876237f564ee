#include "usage.h"

namespace morvane::cli {

const char* const kMainUsage =
    "usage: morvane-cli COMMAND [OPTIONS]\n"
    "\n"
    "commands:\n"
    "  keygen [--seed N] [--force] [--] KEYFILE\n"
    "      generate a new key and write it to KEYFILE\n"
    "  encode --key KEYFILE [--seed N] [-o OUTPUT] [--] [INPUT]\n"
    "      encode a text (INPUT, or standard input) into a code\n"
    "  decode --key KEYFILE [--raw] [-o OUTPUT] [--] [INPUT]\n"
    "      decode a code (INPUT, or standard input) back into its text\n"
    "\n"
    "'morvane-cli COMMAND --help' describes one command; 'morvane-cli --version'\n"
    "prints the version and the encode path in use.\n";

const char* const kKeygenUsage =
    "usage: morvane-cli keygen [--seed N] [--force] [--] KEYFILE\n"
    "\n"
    "Generates a new key (7910 distinct numbers from 1000 to 9998) and writes it\n"
    "to KEYFILE, readable by its owner only. An existing KEYFILE is replaced only\n"
    "with --force: a lost key loses every text encoded with it.\n"
    "\n"
    "  --seed N   start the random source at N (0 to 4294967295); default: the clock\n"
    "  --force    replace an existing KEYFILE\n"
    "  --         end of the options\n";

const char* const kEncodeUsage =
    "usage: morvane-cli encode --key KEYFILE [--seed N] [-o OUTPUT] [--] [INPUT]\n"
    "\n"
    "Encodes INPUT (standard input when absent or '-') with the key in KEYFILE\n"
    "and writes the code (no line end) to OUTPUT or standard output. INPUT and\n"
    "KEYFILE may be any readable file or stream, a named pipe among them. The\n"
    "input is read as plain bytes and ends at its first Ctrl-Z byte.\n"
    "\n"
    "  --key KEYFILE  the key file\n"
    "  --seed N       start the random source at N (0 to 4294967295); default: the clock\n"
    "  -o OUTPUT      write the code to OUTPUT, replacing it as a whole only when the\n"
    "                 code is complete; a device, a pipe or /dev/stdout is written into\n"
    "  --             end of the options\n";

const char* const kDecodeUsage =
    "usage: morvane-cli decode --key KEYFILE [--raw] [-o OUTPUT] [--] [INPUT]\n"
    "\n"
    "Decodes the code in INPUT (standard input when absent or '-') with the key\n"
    "in KEYFILE and writes the text to OUTPUT or standard output. INPUT and\n"
    "KEYFILE may be any readable file or stream. The input ends at its first\n"
    "Ctrl-Z byte; spaces and line breaks in the code are skipped. Line breaks\n"
    "come out as CR LF.\n"
    "\n"
    "  --key KEYFILE  the key file the code was made with\n"
    "  --raw          write each line break as the CR alone, as it is in the code\n"
    "  -o OUTPUT      write the text to OUTPUT, replacing it as a whole only when the\n"
    "                 whole code decodes; a device, a pipe or /dev/stdout is written into\n"
    "  --             end of the options\n";

} // namespace morvane::cli
