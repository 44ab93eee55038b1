// Building the uploads of a run from the flags, the --meta file and the configuration.
#include "commands/upload/upload_jobs.h"

#include <algorithm>
#include <optional>

#include "commands/upload/metadata.h"

namespace clipferry::cli {

std::vector<UploadJob> buildUploadJobs(const UploadOptions& options,
                                       const UploadFields& configDefaults,
                                       std::istream& standardInput,
                                       std::vector<std::string>* warnings) {
    UploadFields commandLine = options.fields;
    if (!options.descriptionFile.empty()) {
        commandLine.description = readDescriptionFile(options.descriptionFile, standardInput);
    }
    std::optional<Metadata> metadata;
    if (!options.metaFile.empty()) {
        metadata = loadMetadataFile(options.metaFile);
    }
    std::vector<UploadJob> jobs;
    std::vector<const UploadFields*> used;
    for (const std::string& file : options.files) {
        const UploadFields* perFile = metadata ? findMetadata(*metadata, file) : nullptr;
        used.push_back(perFile);
        jobs.push_back(mergeUpload(file, commandLine, perFile, configDefaults));
    }
    if (metadata && !metadata->forEveryFile && warnings) {
        for (size_t i = 0; i < metadata->entries.size(); ++i) {
            const MetadataEntry& entry = metadata->entries[i];
            if (std::find(used.begin(), used.end(), &entry.fields) == used.end()) {
                warnings->push_back(options.metaFile + ": entry " + std::to_string(i + 1) + " (\"" +
                                    entry.file.value_or("") +
                                    "\") names none of the files given; it is not used");
            }
        }
    }
    return jobs;
}

}  // namespace clipferry::cli
