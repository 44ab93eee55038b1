// The --meta JSON file read with nlohmann::json and checked field by field,
// the lookup of a file's entry, the merge of every source of an upload's
// fields, and --description-file.
#include "commands/upload/metadata.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <sstream>

#include "text/text.h"

namespace clipferry::cli {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr const char* kKnownFields = "file, title, description, tags, categories, moderator";

// "meta.json: entry 2 (\"b.mp4\")", or "meta.json" for the object that applies to every file.
std::string entryName(const fs::path& source, std::optional<size_t> index, const json& entry) {
    std::string name = source.string();
    if (!index) return name;
    name += ": entry " + std::to_string(*index + 1);
    if (entry.is_object() && entry.contains("file") && entry["file"].is_string()) {
        name += " (\"" + entry["file"].get<std::string>() + "\")";
    }
    return name;
}

[[noreturn]] void fail(const std::string& where, const std::string& field, const std::string& what) {
    throw MetadataError(where + ": " + field + ": " + what);
}

std::string readText(const json& value, const std::string& where, const std::string& field) {
    if (!value.is_string()) fail(where, field, std::string("expected a string, found ") + value.type_name());
    return value.get<std::string>();
}

int32_t readId(const json& value, const std::string& where, const std::string& field) {
    if (!value.is_number_integer()) {
        fail(where, field, std::string("expected an id (a whole number), found ") + value.type_name());
    }
    if (!value.is_number_unsigned() ||
        value.get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
        fail(where, field, "expected an id from 0 to 2147483647, found " + value.dump());
    }
    return static_cast<int32_t>(value.get<uint64_t>());
}

// "a  b" and ["a", "b"] both become "a b"; a word of an array holds no blank.
std::string readTags(const json& value, const std::string& where) {
    std::vector<std::string> words;
    if (value.is_string()) {
        std::istringstream split(value.get<std::string>());
        for (std::string word; split >> word;) words.push_back(word);
    } else if (value.is_array()) {
        for (size_t i = 0; i < value.size(); ++i) {
            const std::string field = "tags[" + std::to_string(i) + "]";
            std::string word = readText(value[i], where, field);
            if (word.empty() || word.find_first_of(" \t\r\n") != std::string::npos) {
                fail(where, field, "a tag is one word, not \"" + word + "\"");
            }
            words.push_back(word);
        }
    } else {
        fail(where, "tags", std::string("expected a string or an array of strings, found ") + value.type_name());
    }
    std::string tags;
    for (const std::string& word : words) tags += (tags.empty() ? "" : " ") + word;
    return tags;
}

std::vector<int32_t> readCategories(const json& value, const std::string& where) {
    if (!value.is_array()) {
        fail(where, "categories", "expected an array of up to " + std::to_string(rules::kMostCategories) +
                                      " ids, found " + value.type_name());
    }
    if (value.size() > rules::kMostCategories) {
        fail(where, "categories",
             "at most " + std::to_string(rules::kMostCategories) + " ids, found " + std::to_string(value.size()));
    }
    std::vector<int32_t> ids;
    for (size_t i = 0; i < value.size(); ++i) {
        ids.push_back(readId(value[i], where, "categories[" + std::to_string(i) + "]"));
    }
    return ids;
}

MetadataEntry readEntry(const json& object, const std::string& where) {
    if (!object.is_object()) throw MetadataError(where + ": expected an object, found " + object.type_name());
    MetadataEntry entry;
    UploadFields& fields = entry.fields;
    for (const auto& [field, value] : object.items()) {
        if (field == "file") {
            entry.file = readText(value, where, field);
            if (entry.file->empty()) fail(where, field, "the file name is empty");
        } else if (field == "title") {
            fields.title = readText(value, where, field);
        } else if (field == "description") {
            fields.description = readText(value, where, field);
        } else if (field == "tags") {
            fields.tags = readTags(value, where);
        } else if (field == "categories") {
            fields.categories = readCategories(value, where);
        } else if (field == "moderator") {
            fields.moderator = readId(value, where, field);
        } else {
            fail(where, "\"" + field + "\"", std::string("unknown field (known: ") + kKnownFields + ")");
        }
    }
    return entry;
}

// JSON objects may repeat a name and the parser would keep the last; here a
// repeated field is an error, named with its entry.
json parseRejectingRepeats(std::string_view text, const fs::path& source) {
    std::vector<std::set<std::string>> open;
    bool rootIsArray = false;
    size_t entries = 0;
    json::parser_callback_t check = [&](int depth, json::parse_event_t event, json& parsed) {
        if (depth == 0 && event == json::parse_event_t::array_start) rootIsArray = true;
        if (event == json::parse_event_t::object_start) {
            open.emplace_back();
            if (depth == 1 && rootIsArray) ++entries;
        } else if (event == json::parse_event_t::object_end) {
            open.pop_back();
        } else if (event == json::parse_event_t::key && !open.back().insert(parsed.get<std::string>()).second) {
            const std::string where =
                source.string() + (rootIsArray ? ": entry " + std::to_string(entries) : "");
            fail(where, parsed.get<std::string>(), "given more than once");
        }
        return true;
    };
    try {
        return json::parse(text.begin(), text.end(), check);
    } catch (const json::parse_error& e) {
        // "[json.exception.parse_error.101] parse error at line 2, ..." without the bracket.
        std::string what = e.what();
        if (size_t end = what.find("] "); end != std::string::npos) what.erase(0, end + 2);
        throw MetadataError(source.string() + ": not valid JSON: " + what);
    }
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

}  // namespace

Metadata parseMetadata(std::string_view text, const fs::path& source) {
    const json document = parseRejectingRepeats(text, source);
    Metadata metadata;
    metadata.source = source;
    if (document.is_object()) {
        metadata.entries.push_back(readEntry(document, entryName(source, std::nullopt, document)));
        metadata.forEveryFile = !metadata.entries.front().file;
        return metadata;
    }
    if (!document.is_array()) {
        throw MetadataError(source.string() + ": expected an object or an array of objects, found " +
                            document.type_name());
    }
    std::set<std::string> files;
    for (size_t i = 0; i < document.size(); ++i) {
        const std::string where = entryName(source, i, document[i]);
        MetadataEntry entry = readEntry(document[i], where);
        if (!entry.file) fail(where, "file", "missing; each entry of a list names its file");
        if (!files.insert(fs::path(*entry.file).lexically_normal().string()).second) {
            fail(where, "file", "another entry already names this file");
        }
        metadata.entries.push_back(std::move(entry));
    }
    return metadata;
}

Metadata loadMetadataFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw MetadataError(path.string() + ": cannot be read");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return parseMetadata(text, path);
}

const UploadFields* findMetadata(const Metadata& metadata, const std::string& file) {
    if (metadata.forEveryFile) return &metadata.entries.front().fields;
    const fs::path given(file);
    for (const MetadataEntry& entry : metadata.entries) {
        if (fs::path(*entry.file).lexically_normal() == given.lexically_normal()) return &entry.fields;
    }
    const fs::path folder = metadata.source.parent_path();
    for (const MetadataEntry& entry : metadata.entries) {
        const fs::path named(*entry.file);
        if (sameFile(given, named) || (named.is_relative() && sameFile(given, folder / named))) {
            return &entry.fields;
        }
    }
    const MetadataEntry* found = nullptr;
    for (const MetadataEntry& entry : metadata.entries) {
        if (fs::path(*entry.file).filename() != given.filename()) continue;
        if (found) {
            throw MetadataError(metadata.source.string() + ": entries \"" + *found->file +
                                "\" and \"" + *entry.file + "\" could both be " + file +
                                "; write the path as on the command line");
        }
        found = &entry;
    }
    return found ? &found->fields : nullptr;
}

UploadJob mergeUpload(const std::string& file, const UploadFields& commandLine,
                      const UploadFields* metadata, const UploadFields& configDefaults) {
    const UploadFields none;
    const UploadFields& fromMeta = metadata ? *metadata : none;
    auto first = [&](auto field, auto fallback) {
        for (const UploadFields* source : {&commandLine, &fromMeta, &configDefaults}) {
            if (source->*field) return *(source->*field);
        }
        return fallback;
    };
    UploadJob upload{file, {}};
    VideoFields& fields = upload.fields;
    fields.title = first(&UploadFields::title, fs::path(file).stem().string());
    fields.description = first(&UploadFields::description, std::string());
    fields.tags = rules::tagsAsWords(first(&UploadFields::tags, std::string()));
    const std::vector<int32_t> categories = first(&UploadFields::categories, std::vector<int32_t>());
    int32_t* const slots[] = {&fields.category, &fields.category2, &fields.category3};
    for (size_t i = 0; i < categories.size() && i < std::size(slots); ++i) *slots[i] = categories[i];
    fields.moderator = first(&UploadFields::moderator, int32_t{0});
    return upload;
}

std::string readDescriptionFile(const std::string& path, std::istream& standardInput,
                                size_t mostBytes) {
    const std::string name = path == "-" ? "--description-file - (standard input)" : path;
    std::ifstream file;
    if (path != "-") {
        file.open(path, std::ios::binary);
        if (!file) throw MetadataError(name + ": cannot be read");
    }
    std::istream& in = path == "-" ? standardInput : file;
    // Reads a little past the limit, not the whole of a file given by mistake.
    const size_t slack = 8;
    std::string text(mostBytes + slack, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) throw MetadataError(name + ": cannot be read");
    text.resize(static_cast<size_t>(in.gcount()));
    const bool more = text.size() == mostBytes + slack && in.peek() != std::char_traits<char>::eof();

    // Editors add a byte-order mark and a last line break; neither is part of the description.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (more || text.size() > mostBytes) {
        throw MetadataError(name + ": the description is longer than " + std::to_string(mostBytes) +
                            " bytes, the most the service takes; shorten it");
    }
    try {
        (void)toUtf16(text);
    } catch (const TextError&) {
        throw MetadataError(name + ": the description is not UTF-8 text");
    }
    return text;
}

}  // namespace clipferry::cli
