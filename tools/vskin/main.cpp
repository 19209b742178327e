// vskin: the skin author's tool.
//   vskin pack DIR OUT                     a package (.rcc/.dll) of a folder, reproducibly
//   vskin ls PKG                           what a package holds
//   vskin unpack PKG DIR                   a package's files back into a folder
//   vskin check PKG...                     every problem the product would meet reading
//                                          the packages (public, skin, additional)
//   vskin render PKG... REFERENCE WxH OUT.png
//                                          a picture reference drawn at a size
// Exit codes: 0 done (check: no error), 1 check found an error, 2 bad input: one line on
// stderr naming the file and what is wrong with it.
#include "core/png/codec.h"
#include "core/text/utf.h"
#include "tools/vskin/files.h"
#include "tools/vskin/package_files.h"
#include "tools/vskin/skin_check.h"
#include "tools/vskin/skin_render.h"

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace vell::vskin;

const char* const kUsage = "usage: vskin pack DIR OUT | ls PKG | unpack PKG DIR | check PKG... | render "
                           "PKG... REFERENCE WxH OUT.png";

bool parseSize(const std::string& text, int& w, int& h) {
    unsigned long long a = 0, b = 0;
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%llu%c%llu%c", &a, &x, &b, &rest) != 3 || (x != 'x' && x != 'X'))
        return false;
    if (a < 1 || b < 1 || a > 16384 || b > 16384) return false;
    w = int(a), h = int(b);
    return true;
}

int run(const std::vector<std::string>& args) {
    const std::string command = args.empty() ? "" : args[0];
    const std::size_t n = args.size();
    if (command == "pack" && n == 3) {
        WriteFile(args[2], PackFolder(args[1]));
        return 0;
    }
    if (command == "ls" && n == 2) {
        ListPackage(*OpenPackage(args[1]), std::cout);
        return 0;
    }
    if (command == "unpack" && n == 3) {
        UnpackPackage(*OpenPackage(args[1]), args[1], args[2]);
        return 0;
    }
    if (command == "check" && n >= 2) {
        SkinSet set(std::vector<std::string>(args.begin() + 1, args.end()));
        bool anyError = false;
        for (const Finding& f : CheckSkin(set)) {
            std::cout << FormatFinding(f) << '\n';
            anyError = anyError || f.error;
        }
        return anyError ? 1 : 0;
    }
    if (command == "render" && n >= 5) {
        int w, h;
        if (!parseSize(args[n - 2], w, h))
            throw ToolError(args[n - 2] + ": not a size WxH (1 to 16384 each)");
        SkinSet set(std::vector<std::string>(args.begin() + 1, args.end() - 3));
        const std::vector<std::uint8_t> pixels =
            RenderReference(set, ReferenceLines(vell::text::u16(args[n - 3])), w, h);
        WriteFile(args[n - 1], vell::png::encodeBgra(pixels.data(), std::uint32_t(w), std::uint32_t(h),
                                                     std::size_t(w) * 4, true));
        return 0;
    }
    throw ToolError(kUsage);
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const ToolError& e) {
        std::cerr << "vskin: " << e.what() << '\n';
    } catch (const std::exception& e) {
        std::cerr << "vskin: " << e.what() << '\n';
    }
    return 2;
}
