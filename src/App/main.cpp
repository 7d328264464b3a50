#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "App/AppInfo.h"
#include "State/DisplayMode.h"

namespace {

void printHelp() {
    std::printf(
        "Usage: vesperine [--help] [--version] [--target MODE]\n"
        "\n"
        "This build has the colour model only: it does not follow a schedule or change any\n"
        "display yet.\n"
        "  --target MODE   print the display target of MODE, given as JSON, for example\n"
        "                  '{\"warm\":{\"kelvin\":3400}}'\n"
        "Without options it prints the targets of the four kinds at their default strengths.\n");
}

void printTarget(const vesperine::DisplayMode& mode) {
    auto t = mode.target();
    std::printf("%-12s boost=%.2f gains=(%.4f, %.4f, %.4f)\n", mode.shortDescription().c_str(),
                t.boost, t.gains.r, t.gains.g, t.gains.b);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vesperine;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            printHelp();
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            auto info = AppInfo::current();
            std::printf("%s %s (%s)\n", info.displayName.c_str(), info.version.c_str(), info.build.c_str());
            return 0;
        }
        if (std::strcmp(argv[i], "--target") == 0 && i + 1 < argc) {
            auto mode = json::decode<DisplayMode>(argv[++i]);
            if (!mode) {
                std::fprintf(stderr, "vesperine: %s\n", mode.error().description.c_str());
                return 2;
            }
            printTarget(*mode);
            return 0;
        }
    }
    for (auto mode : {DisplayMode::bright(2.0), DisplayMode::warm(3400), DisplayMode::red(0.8),
                      DisplayMode::off()}) {
        printTarget(mode);
    }
    return 0;
}
