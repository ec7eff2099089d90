// kestrane-artwork: writes the program's pictures (see Artwork.h) into a folder, by default
// res/ of the source tree: kestrane-artwork [folder]
#include <cstdio>
#include <string>

#include "Artwork.h"

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : KESTRANE_RES_DIR;
    for (const ArtworkFile& file : MakeAllArtwork())
    {
        std::string path = dir + "/" + file.name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr ||
            std::fwrite(file.bytes.data(), 1, file.bytes.size(), f) != file.bytes.size())
        {
            std::fprintf(stderr, "kestrane-artwork: cannot write %s\n", path.c_str());
            if (f != nullptr)
                std::fclose(f);
            return 1;
        }
        if (std::fclose(f) != 0)
        {
            std::fprintf(stderr, "kestrane-artwork: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s (%zu bytes)\n", path.c_str(), file.bytes.size());
    }
    return 0;
}
