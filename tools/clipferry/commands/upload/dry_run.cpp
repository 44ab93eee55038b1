// The --dry-run listing, as text and as JSON, from the jobs the checks passed.
#include "commands/upload/dry_run.h"

#include <filesystem>

#include "commands/upload/folder_files.h"
#include "text/units.h"
#include "text/text.h"

namespace clipferry::cli {

namespace {

// The name the service's list gives an id; empty when it is not listed.
std::string nameOf(const std::vector<Choice>& choices, int32_t id) {
    for (const Choice& choice : choices) {
        if (choice.id == id) return choice.name;
    }
    return {};
}

std::vector<Choice> categoriesOf(const VideoFields& fields, const ServiceLists& lists) {
    std::vector<Choice> chosen;
    for (int32_t id : {fields.category, fields.category2, fields.category3}) {
        if (id != 0) chosen.push_back({id, nameOf(lists.categories, id)});
    }
    return chosen;
}

std::optional<Choice> moderatorOf(const VideoFields& fields, const ServiceLists& lists) {
    if (fields.moderator == 0) return std::nullopt;
    return Choice{fields.moderator,
                  lists.moderators ? nameOf(*lists.moderators, fields.moderator) : std::string()};
}

std::string shown(const Choice& choice) {
    return std::to_string(choice.id) + (choice.name.empty() ? "" : " " + choice.name);
}

// The first line, and how many more there are, so a long description stays one line.
std::string firstLine(const std::string& text) {
    const size_t end = text.find('\n');
    if (end == std::string::npos) return text.empty() ? "(none)" : text;
    size_t more = 0;
    for (size_t at = end; at != std::string::npos; at = text.find('\n', at + 1)) ++more;
    return text.substr(0, end) + " (and " + std::to_string(more) + " more line" +
           (more == 1 ? "" : "s") + ")";
}

// Why the real run would fail this file alone, as it does, or empty: the
// library takes only UTF-8 names and fields.
std::string cannotBeSent(const UploadJob& job) {
    try {
        for (const std::string* text : {&job.file, &job.fields.title, &job.fields.description, &job.fields.tags}) {
            toUtf16(*text);
        }
    } catch (const TextError&) {
        return "the file's name and every field must be UTF-8 text";
    }
    return {};
}

}  // namespace

std::string renderDryRun(const std::vector<UploadJob>& jobs, const ServiceLists& lists) {
    std::string text;
    size_t failing = 0;
    for (const UploadJob& job : jobs) {
        const VideoFields& fields = job.fields;
        std::string categories;
        for (const Choice& category : categoriesOf(fields, lists)) {
            categories += (categories.empty() ? "" : ", ") + shown(category);
        }
        const std::optional<Choice> moderator = moderatorOf(fields, lists);
        const uint64_t bytes = fileSizeOrZero(job.file);
        text += visible(job.file) + " (" + formatBytes(static_cast<double>(bytes)) + ", " +
                std::to_string(bytes) + " bytes)\n";
        text += "  title        " + visible(fields.title) + "\n";
        text += "  description  " + visible(firstLine(fields.description)) + "\n";
        text += "  tags         " + (fields.tags.empty() ? "(none)" : visible(fields.tags)) + "\n";
        text += "  categories   " + (categories.empty() ? "(none)" : visible(categories)) + "\n";
        text += "  moderator    " + (moderator ? visible(shown(*moderator)) : "(none)") + "\n";
        if (const std::string why = cannotBeSent(job); !why.empty()) {
            text += "  would fail   " + why + "\n";
            ++failing;
        }
    }
    const size_t count = jobs.size();
    return text + "dry run: " + std::to_string(count) + " file" + (count == 1 ? "" : "s") +
           " checked, " + (failing ? std::to_string(failing) + " would fail, " : "") +
           "nothing was sent\n";
}

nlohmann::ordered_json dryRunJson(const std::vector<UploadJob>& jobs, const ServiceLists& lists) {
    nlohmann::ordered_json uploads = nlohmann::ordered_json::array();
    for (const UploadJob& job : jobs) {
        const VideoFields& fields = job.fields;
        nlohmann::ordered_json categories = nlohmann::ordered_json::array();
        for (const Choice& category : categoriesOf(fields, lists)) {
            categories.push_back({{"id", category.id}, {"name", category.name}});
        }
        const std::optional<Choice> moderator = moderatorOf(fields, lists);
        uploads.push_back({{"file", job.file},
                           {"bytes", fileSizeOrZero(job.file)},
                           {"title", fields.title},
                           {"description", fields.description},
                           {"tags", fields.tags},
                           {"categories", std::move(categories)},
                           {"moderator", moderator ? nlohmann::ordered_json{{"id", moderator->id},
                                                                            {"name", moderator->name}}
                                                   : nlohmann::ordered_json()}});
        if (const std::string why = cannotBeSent(job); !why.empty()) uploads.back()["would_fail"] = why;
    }
    return {{"ok", true}, {"dry_run", true}, {"uploads", std::move(uploads)}};
}

}  // namespace clipferry::cli
