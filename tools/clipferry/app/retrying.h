// A call to the service tried again while its failure may pass by itself, as
// many times as the retry setting in effect says, each retry said on standard error.
#pragma once

#include <cstdint>
#include <functional>

#include "app/context.h"
#include "service/result_codes.h"
#include "service/retry.h"

namespace clipferry::cli {

// One name for every retry: an upload's attempt here, a login or a list
// below, and the policy's loop under both (service/retry.h).
Attempt withRetry(const Context& context, Operation operation, const Circumstances& circumstances,
                  const std::function<Attempt()>& attempt);

// A login or a list: on a terminal, a call with no answer after 2 s says
// what it waits for.
int32_t withRetry(const Context& context, Operation operation, const std::function<int32_t()>& attempt);

}  // namespace clipferry::cli
