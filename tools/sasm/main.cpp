// sasm: assembles the text form of script bytecode into a ".s" file (every byte inverted), or
// with -d disassembles a ".s" file back into the text form.
//
//     sasm [-o out.s] in.sasm
//     sasm -d [-o out.sasm] in.s
//
// Without -o the result goes to standard output. Exit status 0 on success, 1 on a bad source
// (each error reported as "file:line: message"), 2 on a usage or file error.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "script/script_asm.h"

namespace {

bool ReadFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteOutput(const std::string& path, const std::string& data) {
    if (path.empty() || path == "-") {
        std::cout.write(data.data(), static_cast<std::streamsize>(data.size()));
        return static_cast<bool>(std::cout);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

int Usage() {
    std::fprintf(stderr, "usage: sasm [-o out.s] in.sasm\n       sasm -d [-o out.sasm] in.s\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    bool disassemble = false;
    std::string input, output;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-d") {
            disassemble = true;
        } else if (arg == "-o" && i + 1 < argc) {
            output = argv[++i];
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            return Usage();
        } else if (input.empty()) {
            input = arg;
        } else {
            return Usage();
        }
    }
    if (input.empty())
        return Usage();
    std::string data;
    if (!ReadFile(input, data)) {
        std::fprintf(stderr, "sasm: cannot read %s\n", input.c_str());
        return 2;
    }
    std::string result;
    if (disassemble) {
        std::vector<uint8_t> bytes(data.begin(), data.end());
        result = kestrel::sasm::Disassemble(kestrel::sasm::InvertBytes(bytes));
    } else {
        kestrel::sasm::AsmResult r = kestrel::sasm::Assemble(data);
        if (!r.ok()) {
            for (const auto& e : r.errors)
                std::fprintf(stderr, "%s:%d: %s\n", input.c_str(), e.line, e.message.c_str());
            return 1;
        }
        std::vector<uint8_t> file = kestrel::sasm::InvertBytes(r.bytes);
        result.assign(file.begin(), file.end());
    }
    if (!WriteOutput(output, result)) {
        std::fprintf(stderr, "sasm: cannot write %s\n", output.empty() ? "standard output" : output.c_str());
        return 2;
    }
    return 0;
}
