// Per-file details from a --meta JSON file, a long description from a file or
// standard input, and how they combine with the command line and the
// configuration into what one upload sends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <clipferry-common/form_rules.h>

#include "commands/upload/upload_fields.h"

namespace clipferry::cli {

// A --meta file or description that cannot be used: names the file, the
// entry and the field.
struct MetadataError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct MetadataEntry {
    std::optional<std::string> file;  // as written in the entry
    UploadFields fields;
};

// Either one object for every file of the run (`forEveryFile`), or entries
// that each name their file. A lone object that names a file is one entry.
struct Metadata {
    std::filesystem::path source;
    bool forEveryFile = false;
    std::vector<MetadataEntry> entries;
};

// Fields: file, title, description, tags (a string "a b" or an array of
// words), categories (up to 3 ids), moderator. Throws MetadataError for text
// that is not JSON, unknown or repeated fields, wrong types, more than three
// categories, an entry of a list without "file", or two entries for one file.
Metadata parseMetadata(std::string_view json, const std::filesystem::path& source);
Metadata loadMetadataFile(const std::filesystem::path& path);

// The fields for FILE as given on the command line: the entry naming that
// path, else one naming the same file (a relative entry is looked for from
// the current folder and from the --meta file's folder), else the one entry
// with that file name. Null when none matches; throws MetadataError when the
// file name alone matches more than one entry.
const UploadFields* findMetadata(const Metadata& metadata, const std::string& file);

// What one upload sends: the command line, then the metadata (may be null),
// then the configuration's defaults, then the built-in ones (the title is the
// file's name without its extension; the rest empty or 0). Tags are made
// words, as rules::tagsAsWords does.
UploadJob mergeUpload(const std::string& file, const UploadFields& commandLine,
                      const UploadFields* metadata, const UploadFields& configDefaults);

// The text of --description-file: PATH, or "-" for `standardInput`. Throws
// MetadataError when it cannot be read, is not UTF-8, or is longer than the
// service takes.
std::string readDescriptionFile(const std::string& path, std::istream& standardInput,
                                size_t mostBytes = rules::kMostFieldBytes);

}  // namespace clipferry::cli
