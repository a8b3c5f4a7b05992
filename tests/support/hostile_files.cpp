// Writes the hostile files of the robustness tests for the scripts that run the real program.
//   hostile_files pictures             lists the huge pictures (and those with huge metadata)
//   hostile_files picture INDEX PATH   writes huge picture INDEX (from 0) to PATH
//   hostile_files warning PATH         writes a small picture that makes libpng warn and fail
#include "support/hostile.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::vector<test::HugePicture> pictures = test::hugePictures();
    for (const auto& p : test::hugeMetadataPictures())
        pictures.push_back(p);
    try {
        if (argc == 2 && std::string(argv[1]) == "pictures") {
            for (const auto& p : pictures)
                std::printf("%s\n", p.name);
            return 0;
        }
        if (argc == 3 && std::string(argv[1]) == "warning") {
            test::writePictureWithWarnings(argv[2]);
            return 0;
        }
        if (argc == 4 && std::string(argv[1]) == "picture") {
            const size_t index = std::strtoul(argv[2], nullptr, 10);
            if (index < pictures.size()) {
                pictures[index].write(argv[3]);
                return 0;
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "hostile_files: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: hostile_files pictures | picture INDEX PATH | warning PATH\n");
    return 2;
}
