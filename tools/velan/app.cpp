// The command line of the velan tool: its subcommands, their options and
// examples, and the dispatch to the command that runs.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "commands.h"

namespace velan_tool {
namespace {

void AddImportOptions(CLI::App* cmd, ImportOptions* o) {
  cmd->add_option("--config", o->configFile,
                  "Use this importer configuration file instead of the one in the "
                  "configuration folder")
      ->type_name("FILE");
  cmd->add_option("--log", o->logFile, "Write the import log to FILE")->type_name("FILE");
  cmd->add_flag("--log-all", o->logAll, "Write every log category and subcategory");
  cmd->add_flag("--only-file", o->onlyFile,
                "Import only the given file, not every ARXML file of its folder");
  cmd->add_flag("--flexray", o->flexRay, "Also convert FlexRay clusters");
  cmd->add_flag("--all-clusters", o->allClusters,
                "When no SYSTEM element lists a cluster, convert every cluster of the input");
  cmd->add_option("--variant", o->variants,
                  "Keep the elements whose post-build conditions test CRITERION (short name or "
                  "path) for VALUE (repeatable)")
      ->type_name("CRITERION=VALUE")
      ->allow_extra_args(false);
  cmd->add_option("--predefined-variant", o->predefinedVariant,
                  "Take the criterion values of the input's predefined variant NAME")
      ->type_name("NAME");
}

// The subcommands, each with its options and examples.
CLI::App* AddConvert(CLI::App& app, ConvertCommand* command) {
  CLI::App* cmd =
      app.add_subcommand("convert", "Import ARXML and write every CAN cluster as a DBC file");
  cmd->footer(
      "Examples:\n"
      "  velan convert examples/can/system.arxml            # VehicleCAN.dbc in this folder\n"
      "  velan convert design/ -o out/                      # all ARXML files of design/\n"
      "  velan convert sys.arxml -o body.dbc --cluster Body --warnings");
  cmd->add_option("INPUT", command->import.path,
                  "ARXML file (with every ARXML file of its folder) or folder")
      ->type_name("PATH")
      ->required();
  cmd->add_option("-o,--output", command->output,
                  "Output folder (created when missing; default: current folder), or a file "
                  "ending in .dbc when one cluster is written")
      ->type_name("OUT");
  cmd->add_option("--cluster", command->clusters, "Write only the CAN cluster NAME (repeatable)")
      ->type_name("NAME")
      ->allow_extra_args(false);
  AddImportOptions(cmd, &command->import);
  cmd->add_option("--keep-db", command->keepDb, "Also save the imported database to FILE.vdb")
      ->type_name("FILE.vdb");
  cmd->add_flag("--warnings", command->allWarnings, "Print every warning, not only the first ten");
  cmd->add_flag("-q,--quiet", command->quiet, "Print only errors");
  cmd->add_flag("--no-value-tables", command->noValueTables,
                "Write no VAL_ lines (the texts of the signals' raw values)");
  return cmd;
}

CLI::App* AddImport(CLI::App& app, ImportCommand* command) {
  CLI::App* cmd = app.add_subcommand(
      "import", "Import ARXML into a new database and print the returned status");
  cmd->footer(
      "Examples:\n"
      "  velan import examples/can/system.arxml --dump\n"
      "  velan import sys.arxml --log import.txt --log-all\n"
      "  velan import sys.arxml -o sys.vdb");
  cmd->add_option("PATH", command->import.path,
                  "ARXML file (its folder's ARXML files are imported too)")
      ->type_name("PATH")
      ->required();
  cmd->add_flag("--dump", command->dump, "Print the object tree to standard output");
  AddImportOptions(cmd, &command->import);
  cmd->add_option("-o,--output", command->outputDb, "Save the database to FILE.vdb")
      ->type_name("FILE.vdb");
  return cmd;
}

CLI::App* AddDump(CLI::App& app, DumpCommand* command) {
  CLI::App* cmd = app.add_subcommand("dump", "Print the object tree of a database file");
  cmd->footer(
      "Examples:\n"
      "  velan dump sys.vdb\n"
      "  velan dump sys.vdb --json > sys.json");
  cmd->add_option("FILE", command->database, "Database file (.vdb)")
      ->type_name("FILE.vdb")
      ->required();
  cmd->add_flag("--json", command->json, "Print JSON instead of text");
  return cmd;
}

CLI::App* AddExport(CLI::App& app, ExportCommand* command) {
  CLI::App* cmd = app.add_subcommand("export", "Write one CAN cluster of a database file as DBC");
  cmd->footer(
      "Examples:\n"
      "  velan export sys.vdb -o bus.dbc\n"
      "  velan export sys.vdb --cluster VehicleCAN -o vehicle.dbc");
  cmd->add_option("FILE", command->database, "Database file (.vdb)")
      ->type_name("FILE.vdb")
      ->required();
  cmd->add_option("--cluster", command->cluster,
                  "The CAN cluster to write (needed when there are several)")
      ->type_name("NAME");
  cmd->add_option("-o,--output", command->output, "The DBC file to write")
      ->type_name("OUT.dbc")
      ->required();
  cmd->add_flag("--no-value-tables", command->noValueTables,
                "Write no VAL_ lines (the texts of the signals' raw values)");
  return cmd;
}

CLI::App* AddVariants(CLI::App& app, VariantsCommand* command) {
  CLI::App* cmd =
      app.add_subcommand("variants",
                         "List the post-build criteria, the values they are tested for and the "
                         "predefined variants of an input");
  cmd->add_option("INPUT", command->path, "ARXML file or folder")->type_name("PATH")->required();
  return cmd;
}

}  // namespace

int Main(int argc, char** argv) {
  CLI::App app{
      "velan: AUTOSAR system descriptions (ARXML) to bus databases and DBC files.\n\n"
      "Examples:\n"
      "  velan convert examples/can/system.arxml -o out/\n"
      "  velan import examples/can/system.arxml --dump\n"
      "  velan import system.arxml -o system.vdb && velan export system.vdb -o bus.dbc\n"
      "  velan dump system.vdb --json",
      "velan"};
  app.require_subcommand(1);
  // --version is answered before the subcommand is required.
  bool version = false;
  app.add_flag_callback(
      "--version",
      [&version] {
        version = true;
        throw CLI::Success();
      },
      "Print the version of velan and of the import plug-in's interface");
  app.footer(
      "Exit status: 0 success, 1 failure, 2 usage error. "
      "Run 'velan COMMAND --help' for the options of a command.");

  ConvertCommand convert;
  CLI::App* c = AddConvert(app, &convert);
  ImportCommand import;
  CLI::App* i = AddImport(app, &import);
  DumpCommand dump;
  CLI::App* d = AddDump(app, &dump);
  ExportCommand exp;
  CLI::App* e = AddExport(app, &exp);
  VariantsCommand variants;
  CLI::App* v = AddVariants(app, &variants);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& err) {
    if (version) return RunVersion();
    int rc = app.exit(err);
    return rc == 0 ? kExitOk : kExitUsage;
  }
  if (c->parsed()) return RunConvert(convert);
  if (i->parsed()) return RunImport(import);
  if (d->parsed()) return RunDump(dump);
  if (e->parsed()) return RunExport(exp);
  if (v->parsed()) return RunVariants(variants);
  return kExitUsage;
}

}  // namespace velan_tool
