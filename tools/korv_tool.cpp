// korv-tool: builds savers and inspects and changes what they carry.

#include <iostream>
#include <string>
#include <vector>

#include "platform/exception.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "tools/commands.h"
#include "tools/tool_arguments.h"

namespace {

constexpr const char* kUsage =
    "usage: korv-tool build|compile|decode|dump|install|preview|render|settings|uninstall|update ...\n"
    "  build [--engine PATH] [--scenario X.zep] --player-type N --site URL --source NAME\n"
    "        [--unit U --count N --always-check --user U --password P --settings-disabled] -o SAVER\n"
    "  compile SCRIPT --content DIR [--text-sources URL,URL...] [--strict] -o OUT.zep\n"
    "  decode IMAGE -o OUT.ppm\n"
    "  dump FILE [--script SCRIPT]\n"
    "  install SAVER\n"
    "  preview SCRIPT [--content DIR] [--text-sources URL,URL...] [--size WxH] | preview SAVER\n"
    "  render FILE --size WxH --at T1,T2,... --out DIR [--audio OUT.wav]\n"
    "  render --effects N,N,... [--size WxH] [--frames N] --out SHEET.png\n"
    "  settings SAVER [--explain] [NAME [VALUE]] | settings --machine [NAME [VALUE]]\n"
    "  uninstall SAVER\n"
    "  update --saver SAVER\n";

}  // namespace

int main(int argc, char** argv) {
    using namespace korv::tool;
    if (argc < 2) {
        std::cerr << kUsage;
        return 2;
    }
    std::string command = argv[1];
    std::vector<std::string> arguments(argv + 2, argv + argc);
    // No dialogs from a command-line tool: every failure's message is part of
    // the one-line reason printed below.
    korv::platform::SetMessageBoxSink([](const korv::platform::MessageBoxRequest&) {});
    korv::platform::FailWritesBeyondFileSizeLimit();
    try {
        if (command == "build") return RunBuild(arguments, std::cout);
        if (command == "compile") return RunCompile(arguments, std::cout);
        if (command == "decode") return RunDecode(arguments, std::cout);
        if (command == "dump") return RunDump(arguments, std::cout);
        if (command == "install") return RunInstall(arguments, std::cout);
        if (command == "preview") return RunPreview(arguments, std::cout);
        if (command == "render") return RunRender(arguments, std::cout);
        if (command == "settings") return RunSettings(arguments, std::cout);
        if (command == "uninstall") return RunUninstall(arguments, std::cout);
        if (command == "update") return RunUpdate(arguments, std::cout);
        if (command == "--help" || command == "-h") {
            std::cout << kUsage;
            return 0;
        }
        std::cerr << "korv-tool: unknown command " << command << "\n";
        return 2;
    } catch (const UsageError& error) {
        std::cerr << "korv-tool " << command << ": " << error.what() << "\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "korv-tool " << command << ": " << error.what() << "\n";
        return 1;
    }
}
