// Feeds every file of the given corpus folders (or the given files) once to the
// fuzz target's entry function: the seeds and every input that once made a target
// fail stay checked in the ordinary build, without libFuzzer.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace
{

bool replayFile(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // A copy of exactly the file's size, so reading past its end is a fault the
    // sanitizer build sees.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.data(), input.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto &entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file() && !replayFile(entry.path())) {
                    std::fprintf(stderr, "cannot read %s\n", entry.path().c_str());
                    return 2;
                }
                if (entry.is_regular_file())
                    ++replayed;
            }
        } else if (replayFile(path)) {
            ++replayed;
        } else {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 2;
        }
    }
    std::printf("replayed %d inputs\n", replayed);
    // An empty corpus checks nothing: treat it as a broken set-up.
    return replayed > 0 ? 0 : 1;
}
