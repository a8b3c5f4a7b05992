// Writes the sample metafiles into a folder: metafile_files DIR [TEXT] writes placeable.wmf,
// standard.wmf and sample.emf, each with TEXT (UTF-8; "海辺の町" unless told), and assorted.wmf
// and assorted.emf.
#include "platform/text.h"
#include "support/metafiles.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: metafile_files DIR [TEXT]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::u16string text = platform::fromUtf8(argc > 2 ? argv[2] : "海辺の町");
    const std::pair<const char*, std::string> files[] = {
        { "placeable.wmf", test::sampleWmf(true, text) },
        { "standard.wmf", test::sampleWmf(false, text) },
        { "sample.emf", test::sampleEmf(text) },
        { "assorted.wmf", test::assortedWmf() },
        { "assorted.emf", test::assortedEmf() },
    };
    for (const auto& [name, bytes] : files) {
        std::ofstream out(dir + "/" + name, std::ios::binary);
        out << bytes;
        if (!out)
            return 1;
    }
    return 0;
}
