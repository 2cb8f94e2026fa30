// Runs a fuzz target without libFuzzer: every file of the seed corpus folders
// given on the command line, then mutations of them and random inputs from a
// fixed seed, so the normal suite exercises the target under the sanitizers.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    std::vector<std::vector<std::uint8_t>> corpus;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path dir(argv[i]);
        if (!std::filesystem::is_directory(dir)) {
            std::fprintf(stderr, "corpus folder not found: %s\n", argv[i]);
            return 1;
        }
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            corpus.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    for (const auto& input : corpus) LLVMFuzzerTestOneInput(input.data(), input.size());

    const char* env = std::getenv("VEXO_FUZZ_RUNS");
    int runs = env ? std::atoi(env) : 3000;
    std::mt19937 rng(12345);
    std::vector<std::uint8_t> buf;
    for (int r = 0; r < runs; ++r) {
        if (!corpus.empty() && r % 2 == 0) {
            buf = corpus[rng() % corpus.size()];
            int edits = 1 + static_cast<int>(rng() % 8);
            for (int e = 0; e < edits; ++e) {
                switch (rng() % 4) {
                case 0:
                    if (!buf.empty()) buf[rng() % buf.size()] = static_cast<std::uint8_t>(rng());
                    break;
                case 1: buf.insert(buf.begin() + (buf.empty() ? 0 : rng() % buf.size()), static_cast<std::uint8_t>(rng())); break;
                case 2:
                    if (!buf.empty()) buf.erase(buf.begin() + rng() % buf.size());
                    break;
                default:
                    if (!buf.empty()) buf.resize(rng() % buf.size());
                    break;
                }
            }
        } else {
            buf.resize(rng() % 2048);
            for (auto& b : buf) b = static_cast<std::uint8_t>(rng());
        }
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    std::printf("%zu corpus inputs and %d generated inputs ran\n", corpus.size(), runs);
    return 0;
}
