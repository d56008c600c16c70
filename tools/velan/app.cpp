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
  CLI::App* c =
      app.add_subcommand("convert", "Import ARXML and write every CAN cluster as a DBC file");
  c->footer(
      "Examples:\n"
      "  velan convert examples/can/system.arxml            # VehicleCAN.dbc in this folder\n"
      "  velan convert design/ -o out/                      # all ARXML files of design/\n"
      "  velan convert sys.arxml -o body.dbc --cluster Body --warnings");
  c->add_option("INPUT", convert.import.path,
                "ARXML file (with every ARXML file of its folder) or folder")
      ->type_name("PATH")
      ->required();
  c->add_option("-o,--output", convert.output,
                "Output folder (created when missing; default: current folder), or a file "
                "ending in .dbc when one cluster is written")
      ->type_name("OUT");
  c->add_option("--cluster", convert.clusters, "Write only the CAN cluster NAME (repeatable)")
      ->type_name("NAME")
      ->allow_extra_args(false);
  AddImportOptions(c, &convert.import);
  c->add_option("--keep-db", convert.keepDb, "Also save the imported database to FILE.vdb")
      ->type_name("FILE.vdb");
  c->add_flag("--warnings", convert.allWarnings, "Print every warning, not only the first ten");
  c->add_flag("-q,--quiet", convert.quiet, "Print only errors");
  c->add_flag("--no-value-tables", convert.noValueTables,
              "Write no VAL_ lines (the texts of the signals' raw values)");

  ImportCommand import;
  CLI::App* i = app.add_subcommand(
      "import", "Import ARXML into a new database and print the returned status");
  i->footer(
      "Examples:\n"
      "  velan import examples/can/system.arxml --dump\n"
      "  velan import sys.arxml --log import.txt --log-all\n"
      "  velan import sys.arxml -o sys.vdb");
  i->add_option("PATH", import.import.path,
                "ARXML file (its folder's ARXML files are imported too)")
      ->type_name("PATH")
      ->required();
  i->add_flag("--dump", import.dump, "Print the object tree to standard output");
  AddImportOptions(i, &import.import);
  i->add_option("-o,--output", import.outputDb, "Save the database to FILE.vdb")
      ->type_name("FILE.vdb");

  DumpCommand dump;
  CLI::App* d = app.add_subcommand("dump", "Print the object tree of a database file");
  d->footer(
      "Examples:\n"
      "  velan dump sys.vdb\n"
      "  velan dump sys.vdb --json > sys.json");
  d->add_option("FILE", dump.database, "Database file (.vdb)")->type_name("FILE.vdb")->required();
  d->add_flag("--json", dump.json, "Print JSON instead of text");

  ExportCommand exp;
  CLI::App* e = app.add_subcommand("export", "Write one CAN cluster of a database file as DBC");
  e->footer(
      "Examples:\n"
      "  velan export sys.vdb -o bus.dbc\n"
      "  velan export sys.vdb --cluster VehicleCAN -o vehicle.dbc");
  e->add_option("FILE", exp.database, "Database file (.vdb)")->type_name("FILE.vdb")->required();
  e->add_option("--cluster", exp.cluster,
                "The CAN cluster to write (needed when there are several)")
      ->type_name("NAME");
  e->add_option("-o,--output", exp.output, "The DBC file to write")
      ->type_name("OUT.dbc")
      ->required();
  e->add_flag("--no-value-tables", exp.noValueTables,
              "Write no VAL_ lines (the texts of the signals' raw values)");

  VariantsCommand variants;
  CLI::App* v =
      app.add_subcommand("variants",
                         "List the post-build criteria, the values they are tested for and the "
                         "predefined variants of an input");
  v->add_option("INPUT", variants.path, "ARXML file or folder")->type_name("PATH")->required();

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
