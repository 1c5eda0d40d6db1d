#include "velmaroctl.h"
#include <CLI/CLI.hpp>
int velmaroctl_main(int argc, char** argv) {
    CLI::App app{"velmaroctl"};
    std::string out;
    auto* cmd = app.add_subcommand("new", "the default configuration");
    cmd->add_option("-o", out)->required();
    CLI11_PARSE(app, argc, argv);
    return 0;
}
