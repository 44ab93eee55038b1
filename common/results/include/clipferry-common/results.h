// What each library result means to the person using a host (results.def),
// for every host: the exit status it ends with, whether to try again, and
// whether an upload may have reached the service. The texts are the header's.
#pragma once

#include <clipferry.h>

#include <cstddef>
#include <cstdint>

namespace clipferry::results {

enum class Meaning {
#define CLIPFERRY_MEANING(meaning, exitStatus, retryable) meaning,
#include "clipferry-common/results.def"
};

struct MeaningRow {
    const char* name;  // as the table spells it, e.g. "TimedOut"
    int exitStatus;    // what a host's process ends with for it
    bool retryable;    // trying again later may succeed
};

// In the order of Meaning: indexed by it.
inline constexpr MeaningRow kMeanings[] = {
#define CLIPFERRY_MEANING(meaning, exitStatus, retryable) {#meaning, exitStatus, retryable},
#include "clipferry-common/results.def"
};

constexpr const MeaningRow& about(Meaning meaning) { return kMeanings[static_cast<std::size_t>(meaning)]; }

// The results the table names, by the name hosts give them (the Python
// package's Result members): code::OUT_OF_MEMORY is libcurl's 27.
namespace code {
#define CLIPFERRY_RESULT(number, name, meaning) inline constexpr int32_t name = number;
#include "clipferry-common/results.def"
}  // namespace code

struct Row {
    int32_t code;
    const char* name;
    Meaning meaning;
};

inline constexpr Row kRows[] = {
#define CLIPFERRY_RESULT(number, name, meaning) {number, #name, Meaning::meaning},
#include "clipferry-common/results.def"
};

// libcurl's results stay well below this; anything above it, or below 1, is
// none of libcurl's.
inline constexpr int32_t kHighestCurlCode = 127;

// The table's row for `result`, or null when it has none.
constexpr const Row* rowOf(int32_t result) {
    for (const Row& row : kRows) {
        if (row.code == result) return &row;
    }
    return nullptr;
}

// A libcurl result the table does not name is a Failed one.
constexpr Meaning meaningOf(int32_t result) {
    if (const Row* row = rowOf(result)) return row->meaning;
    return result >= 1 && result <= kHighestCurlCode ? Meaning::Failed : Meaning::Unknown;
}

constexpr int exitStatusFor(int32_t result) { return about(meaningOf(result)).exitStatus; }
constexpr bool isRetryable(int32_t result) { return about(meaningOf(result)).retryable; }

// An upload that failed after its last byte went out may have reached the
// service: any failure then but a refusal that carries the service's
// message. Sending it again could publish it twice.
constexpr bool mayHaveBeenReceived(int32_t result, bool everyByteSent, bool messageEmpty) {
    const Meaning meaning = meaningOf(result);
    return everyByteSent && meaning != Meaning::Accepted && (meaning != Meaning::Refused || messageEmpty);
}

}  // namespace clipferry::results
