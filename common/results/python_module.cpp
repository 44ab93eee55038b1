// Writes the package's module from the header itself (its numbers, texts,
// limits and version, through clipferry_result_text and its macros) and
// from the table, so that Python can hold none of them by hand.
#include "python_module.h"

#include <cctype>
#include <climits>
#include <string>

#include <clipferry-common/results.h>

namespace clipferry::results {

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// "ConnectionBroke" as Python spells a value: "connection_broke".
std::string snakeCase(const char* name) {
    std::string out;
    for (const char* c = name; *c; ++c) {
        if (std::isupper(static_cast<unsigned char>(*c)) && !out.empty()) out += '_';
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    }
    return out;
}

}  // namespace

std::string pythonModule() {
    std::string m =
        "\"\"\"What the library's header and its results table say, for the package.\n"
        "\n"
        "Generated from include/clipferry.h and\n"
        "common/results/include/clipferry-common/results.def by clipferry_python_contract;\n"
        "do not edit. After changing either:\n"
        "cmake --build BUILD --target update_python_contract\n"
        "\"\"\"\n"
        "\n"
        "from __future__ import annotations\n"
        "\n"
        "from enum import IntEnum\n"
        "\n"
        "# The library's version: the package is released with it.\n"
        "VERSION = " + quoted(CLIPFERRY_VERSION) + "\n"
        "CREDENTIAL_LIMIT = " + std::to_string(CLIPFERRY_CREDENTIAL_MAX_BYTES) +
        "  # user name, password, in UTF-8 bytes\n"
        "FIELD_LIMIT = " + std::to_string(CLIPFERRY_TEXT_MAX_BYTES) +
        "  # title, description, tags, in UTF-8 bytes\n"
        "\n"
        "\n"
        "class Result(IntEnum):\n"
        "    \"\"\"A result code of the library: the four the header names, then the\n"
        "    libcurl results a host meets. Any other libcurl result stays an int.\"\"\"\n"
        "\n";
    for (const Row& row : kRows) m += "    " + std::string(row.name) + " = " + std::to_string(row.code) + "\n";
    m += "\n"
         "    @property\n"
         "    def text(self) -> str:\n"
         "        \"\"\"The header's short English text for the result.\"\"\"\n"
         "        return RESULT_TEXTS[self]\n"
         "\n"
         "\n"
         "# clipferry_result_text of the header, code for code.\n"
         "RESULT_TEXTS: dict[int, str] = {\n";
    for (const Row& row : kRows) {
        m += "    Result." + std::string(row.name) + ": " + quoted(clipferry_result_text(row.code)) + ",\n";
    }
    m += "}\n"
         "OTHER_TEXT = " + quoted(clipferry_result_text(INT32_MIN)) + "\n"
         "\n"
         "# The status a host's process ends with, by what a result means.\n"
         "EXIT_STATUS: dict[str, int] = {\n";
    for (const MeaningRow& meaning : kMeanings) {
        m += "    " + quoted(snakeCase(meaning.name)) + ": " + std::to_string(meaning.exitStatus) + ",\n";
    }
    return m + "}\n";
}

}  // namespace clipferry::results
