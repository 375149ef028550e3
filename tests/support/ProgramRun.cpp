// SPDX-License-Identifier: MIT
#include "ProgramRun.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

extern char** environ;

namespace {

#ifndef LPTFLASH_PROGRAM
#define LPTFLASH_PROGRAM ""  // built without CLI11: no lptflash
#endif

// The Windows builds that ctest names (tests/windows); empty when not configured.
#ifndef WINE_X64_DIR
#define WINE_X64_DIR ""
#define WINE_X64_LOADER ""
#define WINE_X64_PRELOAD ""
#define WINE_X64_PREFIX ""
#endif
#ifndef WINE_X86_DIR
#define WINE_X86_DIR ""
#define WINE_X86_LOADER ""
#define WINE_X86_PRELOAD ""
#define WINE_X86_PREFIX ""
#endif
struct WineBuild {
    std::string dir, loader, preload, prefix, portDriver;
};
const WineBuild wineBuilds[] = {
    {WINE_X64_DIR, WINE_X64_LOADER, WINE_X64_PRELOAD, WINE_X64_PREFIX, "inpoutx64.dll"},
    {WINE_X86_DIR, WINE_X86_LOADER, WINE_X86_PRELOAD, WINE_X86_PREFIX, "inpout32.dll"}};

const WineBuild& wineBuild(Platform platform, bool other = false) {
    return wineBuilds[(platform == Platform::WineX86) != other];
}

// The library file for each PortLibrary; "" for none.
std::string libraryFile(Platform platform, PortLibrary library) {
    if (platform == Platform::Native) {
        const char* const files[] = {"",
                                     SCRIPTIO_DIR "/full/libio.so",
                                     SCRIPTIO_DIR "/no_isdriverinstalled/libio.so",
                                     SCRIPTIO_DIR "/no_portout/libio.so",
                                     SCRIPTIO_DIR "/not_a_library/libio.so",
                                     SIM_LIBRARY,
                                     LPTIO_LIBRARY};
        return files[static_cast<int>(library)];
    }
    const std::string& dir = wineBuild(platform).dir;
    const std::string files[] = {"",
                                 dir + "/tests/scriptio/full/io.dll",
                                 dir + "/tests/scriptio/no_isdriverinstalled/io.dll",
                                 dir + "/tests/scriptio/no_portout/io.dll",
                                 SCRIPTIO_DIR "/not_a_library/libio.so",
                                 dir + "/bin/io.dll",
                                 dir + "/lptio/io.dll",
                                 wineBuild(platform, true).dir + "/bin/io.dll",
                                 dir + "/lptio/io.dll",
                                 dir + "/lptio/io.dll"};
    return files[static_cast<int>(library)];
}

// A Windows program in folder under Wine's loader, which alone gets the clock preload: it may
// be of another bitness than sh.
ProgramRun underWine(Platform platform, const std::string& folder,
                     const std::vector<std::string>& command) {
    const WineBuild& build = wineBuild(platform);
    const char* realClock = std::getenv("LPTFLASH_REAL_CLOCK");
    ProgramRun run{
        "/bin/sh",
        {"-c", "LD_PRELOAD=\"$LPTFLASH_WINE_PRELOAD\" exec \"$0\" \"$@\" </dev/null", build.loader},
        {{"WINEPREFIX", build.prefix},
         {"WINEDEBUG", "-all"},
         {"LD_PRELOAD", ""},
         {"LPTFLASH_WINE_PRELOAD",
          realClock != nullptr && std::string(realClock) == "1" ? "" : build.preload}},
        folder,
        ""};
    run.arguments.insert(run.arguments.end(), command.begin(), command.end());
    return run;
}

}  // namespace

std::string cannotRun(Platform platform, PortLibrary library) {
    if (platform == Platform::Native) {
        return "";
    }
    const bool other = library == PortLibrary::OtherSimulator;
    if (wineBuild(platform, other).dir.empty()) {
        return std::string("LPTFLASH_WINDOWS_") +
               ((platform == Platform::WineX86) != other ? "X86" : "X64") +
               "_BUILD_DIR is not set: that Windows build is not configured";
    }
    // Set by ctest where the kernel refuses 32-bit programs (tests/windows).
    const char* refused = std::getenv("LPTFLASH_X86_REFUSED");
    if (platform == Platform::WineX86 && refused != nullptr) {
        return refused;
    }
    return "";
}

std::string expectedStdout(Platform platform, const std::string& lines) {
    if (platform == Platform::Native) {
        return lines;
    }
    static std::map<Platform, std::string> prompts;  // cmd.exe's PAUSE, once per bitness
    if (prompts.count(platform) == 0) {
        prompts[platform] = runProgram(underWine(platform, ".", {"cmd.exe", "/c", "PAUSE"})).out;
    }
    if (prompts[platform].find("Press any key") == std::string::npos) {
        return "(Wine's cmd.exe showed no pause prompt: " + prompts[platform] + ")";
    }
    std::string text;
    for (char c : lines.substr(0, lines.rfind(pausePrompt))) {
        text += c == '\n' ? "\r\n" : std::string(1, c);
    }
    return text + prompts[platform];
}

ProgramResult runFlashtest(const TemporaryFolder& folder, PortLibrary library,
                           const std::map<std::string, std::string>& settings,
                           bool stdoutReaderGone, const char* shellScript, Platform platform) {
    return runShipped(Shipped::Flashtest, {}, folder, library, settings, platform, shellScript,
                      stdoutReaderGone);
}

ProgramResult runShipped(Shipped shipped, const std::vector<std::string>& arguments,
                         const TemporaryFolder& folder, PortLibrary library,
                         const std::map<std::string, std::string>& settings, Platform platform,
                         const char* shellScript, bool stdoutReaderGone) {
    namespace fs = std::filesystem;
    const bool wine = platform != Platform::Native;
    const std::string base = shipped == Shipped::Flashtest ? "flashtest" : "lptflash";
    const std::string program = wine ? base + ".exe" : base;
    const std::string libraryName = wine ? "io.dll" : "libio.so";
    const std::string file = libraryFile(platform, library);
    std::error_code ignored;
    fs::copy_file(wine ? wineBuild(platform).dir + "/bin/" + program
                       : (shipped == Shipped::Flashtest ? FLASHTEST_PROGRAM : LPTFLASH_PROGRAM),
                  folder.file(program), ignored);
    fs::remove(folder.file(libraryName), ignored);
    if (!file.empty()) {
        fs::copy_file(file, folder.file(libraryName), ignored);
    }
    std::vector<std::string> command{program};
    command.insert(command.end(), arguments.begin(), arguments.end());
    ProgramRun run = wine ? underWine(platform, folder.path(), command)
                          : ProgramRun{folder.file(program), arguments, {}, folder.path(), ""};
    run.stdoutReaderGone = stdoutReaderGone;
    if (wine) {
        const std::string& driver = wineBuild(platform).portDriver;
        if (shellScript != nullptr) {
            run.arguments[1] = shellScript;  // "$0" the loader, "$1" the program
        }
        if (library == PortLibrary::RealPortAndPortDriver) {
            fs::copy_file(wineBuild(platform).dir + "/tests/port-driver/" + driver,
                          folder.file(driver), ignored);
        } else if (library == PortLibrary::RealPortAndBadPortDriver) {
            fs::copy_file(SCRIPTIO_DIR "/not_a_library/libio.so", folder.file(driver), ignored);
        }
    } else if (shellScript != nullptr) {
        run.arguments.insert(run.arguments.begin(), {"-c", shellScript, run.program});
        run.program = "/bin/sh";
    }
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string name(*entry, std::strcspn(*entry, "="));
        if (name.rfind("LPTIO_", 0) == 0 || name.rfind("SCRIPTIO_", 0) == 0) {
            run.environment[name] = "";
        }
    }
    for (const auto& [name, value] : settings) {
        run.environment[name] = value;
    }
    if (!wine) {
        run.environment["LD_PRELOAD"] = FASTCLOCK_LIBRARY;
    }
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer intercepts dlopen, so the program's RUNPATH is not searched.
    run.environment["LD_LIBRARY_PATH"] = wine ? "" : folder.path();
#else
    run.environment["LD_LIBRARY_PATH"] = "";
#endif
    return runProgram(run);
}
