// Reading of the configuration file "velanar-cfg.xml": cluster policies,
// file set policy, log file and report categories.
#ifndef VELANAR_IMPORT_CONFIGURATION_H
#define VELANAR_IMPORT_CONFIGURATION_H

#include <string>

#include "import/report.h"

struct cPolicies;
struct cVariantChoice;
class cConvertCtx;

// The namespace URI of configuration files.
#define VELANAR_CONFIG_NAMESPACE "urn:velan:velanar-cfg:1"
// The file name looked for in the configuration folder.
#define VELANAR_CONFIG_FILE_NAME "velanar-cfg.xml"

// The path of the configuration file: the configuration folder (without one
// trailing '/') joined with the file name, or the bare file name when no
// folder is known.
std::string ConfigurationPath();

// Reads the configuration file at configPath into the policies and the
// report (log file and categories), and the chosen post-build variant when
// `variant` is given. Every failure keeps the defaults.
void ReadConfigurationFile(const std::string& configPath, const std::string& importPath,
                           cPolicies& policies, cReport& report, cVariantChoice* variant = nullptr);

// Reads the configuration of an import from the configuration folder.
// Never changes the import status.
void ReadConfiguration(cConvertCtx* ctx);

#endif
