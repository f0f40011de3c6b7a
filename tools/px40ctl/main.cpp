#include "Command.h"

int main(int argc, char** argv)
{
    CLI::App app{"px40ctl: control and inspect the PX40 sound card and the files of its companion program"};
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Show the help of every subcommand");
    int exitCode = px40ctl::kExitOk;
    px40ctl::SetupCommands(app, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return px40ctl::kExitUsage;
    }
    return exitCode;
}
