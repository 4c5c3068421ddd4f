// Writes the sample image: make_sample_image FILE.
#include <cstdio>
#include <fstream>

#include "SampleImage.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample_image FILE\n");
        return 2;
    }
    const std::vector<uint8_t> bytes = kestrovane::samples::MakeSampleImage();
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "make_sample_image: %s could not be written\n", argv[1]);
        return 1;
    }
    return 0;
}
