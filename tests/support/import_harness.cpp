#include "import_harness.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "velan/velanar.h"
#include "velan/velandb_host.h"

#ifndef VELAN_TEST_LIB_DIR
#define VELAN_TEST_LIB_DIR "."
#endif

const char* const kConfigNamespace = "urn:velan:velanar-cfg:1";

namespace {

// The plug-in stays loaded for the whole test run, as in a host.
ImportFn LoadImport(std::string& error) {
  static void* library = nullptr;
  static ImportFn import = nullptr;
  if (import) return import;
  const std::string path = std::string(VELAN_TEST_LIB_DIR) + "/libvelanar.so";
  library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* text = dlerror();
    error = "cannot load " + path + ": " + (text ? text : "?");
    return nullptr;
  }
  import = reinterpret_cast<ImportFn>(dlsym(library, "Import"));
  if (!import) error = "libvelanar.so has no Import";
  return import;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string WithoutCr(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

std::string GeneratedConfig(const ImportOptions& options, const std::string& logPath) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CONFIGURATION xmlns=\"";
  xml += kConfigNamespace;
  xml += "\">\n";
  if (options.logAll || !options.categoriesXml.empty()) {
    xml += "  <LogFile>" + logPath + "</LogFile>\n  <CATEGORIES>\n";
    if (!options.categoriesXml.empty()) {
      xml += options.categoriesXml;
    } else {
      xml +=
          "    <CatInfo Enabled=\"all\"/>\n    <CatWarn Enabled=\"all\"/>\n"
          "    <CatErr Enabled=\"all\"/>\n    <CatDebug Enabled=\"all\"/>\n";
    }
    xml += "  </CATEGORIES>\n";
  }
  if (options.allClusterTypes) {
    xml +=
        "  <Policies><CANCluster Enabled=\"true\"/><LINCluster Enabled=\"true\"/>"
        "<FlexRayCluster Enabled=\"true\"/></Policies>\n";
  } else if (!options.policiesXml.empty()) {
    xml += "  <Policies>" + options.policiesXml + "</Policies>\n";
  }
  xml += options.extraXml;
  xml += "</CONFIGURATION>\n";
  return xml;
}

// Sets an environment variable for the life of the object.
class EnvOverride {
 public:
  EnvOverride(const char* name, const std::string& value) : name_(name) {
    const char* old = getenv(name);
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~EnvOverride() {
    if (hadOld_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool hadOld_ = false;
  std::string old_;
};

}  // namespace

size_t ImportResult::LogCount(const std::string& text) const {
  size_t count = 0;
  for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
  return count;
}

std::vector<std::string> ImportResult::LogLines(const std::string& text) const {
  std::vector<std::string> lines;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find(text) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

std::string ImportResult::Subtree(const std::string& text) const {
  std::istringstream in(tree);
  std::string line;
  std::string out;
  size_t depth = std::string::npos;
  while (std::getline(in, line)) {
    const size_t indent = line.find_first_not_of(' ');
    if (depth == std::string::npos) {
      if (line.find(text) == std::string::npos) continue;
      depth = indent;
    } else if (indent <= depth) {
      break;
    }
    out += line + "\n";
  }
  return out;
}

ImportHarness::ImportHarness() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velan_importXXXXXX").string();
  if (mkdtemp(&pattern[0]) != nullptr) {
    root_ = pattern;
    inputDir_ = root_ + "/in";
    configDir_ = root_ + "/cfg";
    std::filesystem::create_directory(inputDir_);
    std::filesystem::create_directory(configDir_);
  }
}

ImportHarness::~ImportHarness() {
  if (!root_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
}

void ImportHarness::AddFile(const std::string& name, const std::string& content) {
  WriteFile(inputDir_ + "/" + name, content);
  files_.push_back(name);
}

ImportResult ImportHarness::Run(const ImportOptions& options) {
  ImportResult result;
  if (root_.empty()) {
    result.error = "no temporary folder";
    return result;
  }
  ImportFn import = LoadImport(result.error);
  if (!import) return result;
  result.loaded = true;

  const std::string logPath = root_ + "/log.txt";
  std::remove(logPath.c_str());
  const std::string configPath = configDir_ + "/velanar-cfg.xml";
  std::remove(configPath.c_str());
  if (options.writeConfig) {
    WriteFile(configPath,
              options.configXml.empty() ? GeneratedConfig(options, logPath) : options.configXml);
  }
  EnvOverride configDir("VELAN_CONFIG_DIR", configDir_);

  uint32_t handle = 0;
  if (vdbCreateDatabase("test", &handle) != VDB_OK) {
    result.error = std::string("cannot create database: ") + vdbLastError();
    return result;
  }
  if (options.faultCall != 0) {
    vdbInjectFault(handle, options.faultCall, options.faultCode, options.faultPerformsCall ? 1 : 0);
  }
  std::string file = options.importFile;
  if (file.empty() && !files_.empty()) file = files_.front();
  const std::string importPath = inputDir_ + "/" + file;
  result.code = import(importPath.c_str(), options.zeroHandle ? 0 : handle);

  size_t length = 0;
  vdbFormatTree(handle, nullptr, 0, &length);
  std::string tree(length + 1, '\0');
  vdbFormatTree(handle, &tree[0], tree.size(), &length);
  tree.resize(length);
  result.tree = tree;
  result.objectCount = vdbObjectCount(handle);
  vdbDestroyDatabase(handle);

  result.rawLog = ReadFile(logPath);
  result.log = WithoutCr(result.rawLog);
  return result;
}

ImportResult ImportArxml(const std::string& text, const ImportOptions& options) {
  return ImportArxmlFiles({{"input.arxml", text}}, options);
}

ImportResult ImportArxmlFiles(const std::vector<std::pair<std::string, std::string>>& files,
                              const ImportOptions& options) {
  ImportHarness harness;
  for (const auto& file : files) harness.AddFile(file.first, file.second);
  return harness.Run(options);
}
