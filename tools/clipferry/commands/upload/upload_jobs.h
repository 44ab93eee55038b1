// The uploads a run asks for: one per file, its fields from the flags, the
// --meta file and the configuration.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "commands/upload/upload_fields.h"

namespace clipferry::cli {

// The uploads the options ask for, in order: one per file, each field taken
// from the command line, else the file's --meta entry, else `configDefaults`,
// else the built-in default (the title is the file's name without its
// extension). The description file is read from `standardInput` for "-".
// Throws MetadataError when the --meta or description file cannot be used.
// `warnings`, when given, receives one line per --meta entry that names none
// of the files: a misspelt name would otherwise drop its details unnoticed.
std::vector<UploadJob> buildUploadJobs(const UploadOptions& options,
                                       const UploadFields& configDefaults,
                                       std::istream& standardInput,
                                       std::vector<std::string>* warnings = nullptr);

}  // namespace clipferry::cli
