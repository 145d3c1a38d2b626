// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target once on every file in the folders (or files) named on
// the command line, as the ordinary test builds do with the seeds and the
// inputs of past findings. A broken invariant aborts; a folder that does not
// exist is skipped.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

void Run(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::printf("%s\n", file.c_str());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
}

} // namespace

int main(int argc, char **argv)
{
    namespace fs = std::filesystem;
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path path(argv[i]);
        if (fs::is_directory(path)) {
            for (const fs::directory_entry &e : fs::directory_iterator(path)) {
                if (e.is_regular_file()) {
                    Run(e.path());
                    ++inputs;
                }
            }
        } else if (fs::is_regular_file(path)) {
            Run(path);
            ++inputs;
        }
    }
    std::printf("%d inputs\n", inputs);
    return inputs > 0 ? 0 : 1;
}
