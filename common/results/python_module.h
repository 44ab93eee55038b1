// The Python package's module of the header's facts and the results table
// (bindings/python/clipferry/_contract.py), written from both.
#pragma once

#include <string>

namespace clipferry::results {

std::string pythonModule();

}  // namespace clipferry::results
