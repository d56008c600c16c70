// The importer's configuration file as the tool reads, adjusts and writes
// it. The tool never changes the user's own file: it writes an adjusted copy
// into a private folder and points the importer there for one import.
#ifndef VELAN_TOOL_IMPORT_CONFIG_H
#define VELAN_TOOL_IMPORT_CONFIG_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "velan/log_categories.h"
#include "velan_platform.h"

namespace velan_tool {

// Namespace URI that configuration files of the importer use.
inline constexpr const char* kConfigNamespace = "urn:velan:velanar-cfg:1";
// File name the importer looks for in its configuration folder.
inline constexpr const char* kConfigFileName = "velanar-cfg.xml";

// Report categories in the importer's numbering (velan/log_categories.def).
enum Category : int {
#define VELAN_LOG_CATEGORY(number, name, bits) kCat##name = number,
#include "velan/log_categories.def"
#undef VELAN_LOG_CATEGORY
};
static_assert(velan_log::kCategoryCount == 4, "ImportConfig keeps four categories");

struct ImportConfig {
  // Cluster switches and file set policy. Absent: the importer's defaults
  // (CAN and LIN on, FlexRay off, whole folder). Present: a switch is on only
  // when its value is exactly "true".
  struct Policies {
    std::optional<std::string> can, lin, flexRay;  // "Enabled" values
    std::optional<std::string> fileSetPolicy;      // element text
    std::optional<std::string> allClusters;        // "Enabled" value
  };
  std::optional<Policies> policies;
  // The post-build variant: criterion values by short name or path, and the
  // name of a predefined variant whose values apply first.
  struct Variant {
    std::vector<std::pair<std::string, std::string>> criteria;
    std::optional<std::string> predefined;
  };
  std::optional<Variant> variant;
  // Text of the LogFile element; absent or empty means no log.
  std::optional<std::string> logFile;
  // Effective subcategory bits per category (bit n = subcategory n), as the
  // importer would switch them from the file.
  std::array<uint32_t, 4> categories = DefaultCategories();
  // The file carried a CATEGORIES element (or the bits were set explicitly).
  bool hasCategories = false;

  static std::array<uint32_t, 4> DefaultCategories() {
    const uint32_t* bits = velan_log::kDefaultBits;
    return {bits[0], bits[1], bits[2], bits[3]};
  }
  static uint32_t AllBits(int category) {
    return (1u << velan_log::SubcategoryCount(category)) - 1u;
  }

  // Cluster switches as the importer would apply them.
  bool CanEnabled() const;
  bool LinEnabled() const;
  bool FlexRayEnabled() const;
  bool OnlySpecifiedFile() const;
  // Every cluster of the input when no SYSTEM lists one.
  bool AllClusters() const;

  // Adjustments made by the command-line options.
  void EnableFlexRay();
  void UseOnlySpecifiedFile();
  void EnableAllClusters();
  // A later value of the same criterion replaces the earlier one.
  void ChooseCriterion(const std::string& name, const std::string& value);
  void ChoosePredefinedVariant(const std::string& name);
  void SetLog(const std::string& path);  // keeps the categories
  void EnableAllCategories();
  void EnableCategoryBits(int category, uint32_t bits);

  // The configuration file text (UTF-8, the importer's namespace).
  std::string ToXml() const;
};

// Reads a configuration file the way the importer interprets it. Elements
// outside the configuration namespace are ignored. Returns false with a
// message in `error` when the file cannot be read or is not well-formed XML;
// a well-formed file without CONFIGURATION gives the defaults.
bool ParseImportConfig(const std::string& text, ImportConfig* config, std::string* error);
bool ReadImportConfigFile(const std::string& path, ImportConfig* config, std::string* error);

// The folder where the importer looks for its configuration.
using vplat::UserConfigFolder;

// A private folder holding one configuration file, removed on destruction.
// While `Activate` is in force, VELAN_CONFIG_DIR names the folder; the
// previous value is restored on destruction.
class TempConfigFolder {
 public:
  TempConfigFolder() = default;
  ~TempConfigFolder();
  TempConfigFolder(const TempConfigFolder&) = delete;
  TempConfigFolder& operator=(const TempConfigFolder&) = delete;

  // Creates the folder (once).
  bool Create(std::string* error);
  // Creates the folder when needed, writes the file and sets
  // VELAN_CONFIG_DIR.
  bool Activate(const ImportConfig& config, std::string* error);
  const std::string& Folder() const { return folder_; }
  // A path inside the private folder (for a private log file); it is
  // removed with the folder, also when the run is interrupted.
  std::string PathFor(const std::string& name);

 private:
  std::string folder_;
  bool hadOld_ = false;
  std::string oldValue_;
  bool active_ = false;
  std::vector<int> slots_;
};

}  // namespace velan_tool

#endif
