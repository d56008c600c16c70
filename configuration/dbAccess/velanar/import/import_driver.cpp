// One import from path to returned code: configuration, file set, parse, resolve, convert.
#include "import/import_driver.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "convert/converter_factory.h"
#include "import/configuration.h"
#include "import/convert_ctx.h"
#include "import/variant.h"
#include "velan_platform.h"
#include "xml/document.h"
#include "xml/file_set.h"
#include "xml/parser.h"

namespace {

constexpr char kAutosarBaseUri[] = "http://autosar.org/";
constexpr char kAutosar4Uri[] = "http://autosar.org/schema/r4";
constexpr char kAutosar3Uri[] = "http://autosar.org/3";

bool StartsWith(const char* text, const char* prefix) {
  return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

bool HasArxmlExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  return vplat::EqualsIgnoreAsciiCase(name.substr(dot + 1), "arxml");
}

void RunConverter(cConvertCtx* ctx) {
  const int version = DetectAutosarVersion(*ctx->document);
  if (version != 4 && version != 3) {
    ctx->status.RaiseError(StatusUnsupportedVersion);
    return;
  }
  cScopedPtr<cConverterBase> converter = CreateConverter(version, ctx);
  if (!converter) {
    ctx->status.RaiseError(StatusOutOfMemory);
    return;
  }
  if (ctx->status.IsError()) return;
  converter->ListResolverTree();
  ResolveVariantChoice(ctx);
  if (ctx->status.IsError()) return;
  converter->ConvertAll();
}

}  // namespace

int DetectAutosarVersion(const char* uri) {
  if (uri == nullptr) return 0;
  if (StartsWith(uri, kAutosar4Uri)) return 4;
  if (StartsWith(uri, kAutosar3Uri)) return 3;
  if (StartsWith(uri, kAutosarBaseUri)) return 2;
  return 0;
}

int DetectAutosarVersion(const exDocument& document) {
  return DetectAutosarVersion(document.NamespaceUri("AR"));
}

void CollectFileSet(cConvertCtx* ctx) {
  ctx->fileList.clear();
  if (ctx->policies.fileSetPolicy == 1) {
    ctx->fileList.push_back(ctx->importPath);
  } else {
    const std::string folder = vplat::FolderOf(ctx->importPath);
    std::vector<std::string> names;
    vplat::ListRegularFiles(folder, &names);
    // The files of the root folder are joined as "/" + name, not "//" + name.
    const std::string prefix = folder == "/" ? std::string() : folder;
    for (const std::string& name : names) {
      if (HasArxmlExtension(name)) ctx->fileList.push_back(vplat::JoinPath(prefix, name));
    }
  }

  cReport& report = ctx->report;
  report.Write(kCatInfo, kSubInfoDefault, "List of ARXML Files");
  for (size_t i = 0; i < ctx->fileList.size(); ++i) {
    report.Write(kCatInfo, kSubInfoDefault, "file[%" PRIu32 "]; \"%s\"", static_cast<uint32_t>(i),
                 ctx->fileList[i].c_str());
  }
  report.WriteEmptyLine(kCatInfo, kSubInfoDefault);

  if (ctx->fileList.empty()) ctx->status.RaiseError(StatusNoInput);
}

namespace {

// Parses file `index` of the file set directly into the document; false when
// the import ends there.
bool ParseFileDirectly(cConvertCtx* ctx, size_t index) {
  const char* path = ctx->fileList[index].c_str();
  // Only regular files are read: a folder, FIFO or device in place of a
  // listed file would fail late, block or never end.
  FILE* file = vplat::IsRegularFile(path) ? std::fopen(path, "rb") : nullptr;
  if (file == nullptr) {
    ctx->status.RaiseError(StatusNoInput);
    ctx->report.Write(kCatErr, kSubErrDefault, "file \"%s\": not found", path);
    return false;
  }
  const exParseResult result = ParseFile(*ctx->document, static_cast<int32_t>(index), file);
  std::fclose(file);
  if (result == kParseNoMemory) {
    ctx->status.RaiseError(StatusOutOfMemory);
    return false;
  }
  if (result != kParseOk) {
    ctx->status.RaiseError(StatusParseError);
    ctx->report.Write(kCatErr, kSubErrDefault, "file \"%s\": parser error", path);
    return false;
  }
  return true;
}

// Worker threads for the file set: as the policy says, or one per core.
unsigned ParseThreads(const cConvertCtx* ctx) {
  unsigned cores = ctx->policies.parseThreads;
  if (cores == 0) cores = std::thread::hardware_concurrency();
  return FileSetThreads(ctx->fileList.size(), cores);
}

}  // namespace

void ParseFiles(cConvertCtx* ctx) {
  // With several files and cores, workers parse the files apart while this
  // thread joins them into the document in file order; whatever a join
  // cannot reproduce exactly is parsed again directly. The workers end
  // before this function returns.
  std::unique_ptr<exFileSetParser> workers;
  if (const unsigned threads = ParseThreads(ctx)) {
    workers.reset(new (std::nothrow) exFileSetParser(ctx->fileList));
    if (workers && !workers->Start(threads)) workers.reset();
  }
  for (size_t i = 0; i < ctx->fileList.size() && !ctx->status.IsError(); ++i) {
    const bool joined = workers && JoinFilePart(*ctx->document, workers->Take(i)) == kJoinDone;
    if (!joined && !ParseFileDirectly(ctx, i)) break;
    ctx->report.Write(kCatInfo, kSubInfoDefault, "read file \"%s\": success",
                      ctx->fileList[i].c_str());
  }
}

uint32_t RunImport(const char* importPath, uint32_t hostHandle) {
  cScopedPtr<cConvertCtx> ctx(new (std::nothrow) cConvertCtx());
  if (!ctx) return 0xBFF63010u;
  ctx->hostHandle = hostHandle;
  if (ctx->status.IsError()) return ctx->status.ReturnedCode();
  if (importPath == nullptr || *importPath == '\0') {
    ctx->status.RaiseError(StatusNoInput);
    return ctx->status.ReturnedCode();
  }
  ctx->importPath = importPath;

  ReadConfiguration(ctx.Get());

  if (ctx->status.IsError() || ctx->importPath.empty()) {
    ctx->status.RaiseError(StatusNoInput);
  } else {
    CollectFileSet(ctx.Get());
  }
  if (!ctx->status.IsError()) ParseFiles(ctx.Get());
  if (!ctx->status.IsError()) RunConverter(ctx.Get());
  return ctx->status.ReturnedCode();
}
