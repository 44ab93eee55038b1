// The library's log switch: CLIPFERRY_LOG=999 makes it keep each raw answer
// in the temporary directory, the login's as Clipferry_Login.xml.
#pragma once

#include <string>

namespace clipferry::cli {

inline constexpr char kLogVariable[] = "CLIPFERRY_LOG";
inline constexpr char kKeepAnswers[] = "999";
inline constexpr char kLoginAnswerFile[] = "Clipferry_Login.xml";
inline constexpr char kAnswerFiles[] = "Clipferry_*.xml";
bool keepsAnswers();  // the log switch is on
// Where the switch keeps them: TMPDIR, else /tmp, ending in a slash.
std::string dumpDirectory();

}  // namespace clipferry::cli
