// The service's list of file types ("*.mp4;*.mov") and whether a file's name
// matches it: the rule the command and the Qt dialog hold a file to.
#pragma once

#include <string>
#include <vector>

namespace clipferry::rules {

// The service's file types one by one: "*.mp4; *.MOV;" -> {"*.mp4", "*.MOV"}
// (';' or ',' between them, blanks around them dropped).
std::vector<std::string> splitFileTypes(const std::string& fileTypes);

// The pattern as a wildcard: one without wildcards ("mp4", ".mp4") is an
// extension ("*.mp4"). An empty pattern stays empty and matches no file.
std::string asWildcard(std::string pattern);

// Whether a file's name (its last component) matches one of the patterns,
// with * and ? (a whole UTF-8 character), ignoring ASCII case.
bool matchesFileTypes(const std::string& fileName, const std::vector<std::string>& patterns);

}  // namespace clipferry::rules
