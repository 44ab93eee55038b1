// clipferry_python_contract [FILE]: writes the package's module of the
// header's facts and the results table to FILE, or to standard output.
#include <fstream>
#include <iostream>

#include "python_module.h"

int main(int argc, char** argv) {
    const std::string module = clipferry::results::pythonModule();
    if (argc < 2) {
        std::cout << module;
        return std::cout ? 0 : 1;
    }
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file << module;
    file.close();
    if (!file) {
        std::cerr << "clipferry_python_contract: could not write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
