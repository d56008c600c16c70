// The files of one import parsed on worker threads, each into a document of
// its own, and joined into the import's document in file order, so that the
// result is the document that parsing them one after another gives.
#ifndef VELANAR_XML_FILE_SET_H
#define VELANAR_XML_FILE_SET_H

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "xml/document.h"
#include "xml/parser.h"

// One file parsed apart: its document (the names as the XML parser gives
// them), its namespace declarations and the parse result. `parsed` is false
// when the file could not be opened as a regular file.
struct exFilePart {
  std::unique_ptr<exDocument> document;
  exNamespaceLog log;
  exParseResult result = kParseXmlError;
  bool parsed = false;
};

// Parses one file apart; null when out of memory. A `cancel` that becomes
// true ends the parse early (the part is then not joined).
std::unique_ptr<exFilePart> ParseFileApart(const char* path, int32_t fileIndex,
                                           const std::atomic<bool>* cancel = nullptr);

enum exJoinResult : int32_t {
  kJoinDone = 0,  // the file is in the document, exactly as a direct parse puts it
  kJoinRedo = 1,  // parse the file directly into the document instead
};

// Joins a file parsed apart into the document: applies its namespace
// declarations, decides on its root, qualifies its names and hangs its root
// below the document. Everything the join cannot reproduce exactly (a parse
// that did not end well, lost memory, a name without bound prefix, two
// attributes that come to the same name) asks for the direct parse, which
// may follow a partial join: the join only adds bindings that the direct
// parse adds again in the same order.
exJoinResult JoinFilePart(exDocument& document, std::unique_ptr<exFilePart> part);

// Worker threads that parse the files of a list apart, each taking the
// largest file not yet taken: the largest files start first, so that the
// last file to end is a small one and the workers end close together.
class exFileSetParser {
 public:
  explicit exFileSetParser(const std::vector<std::string>& paths);
  // Stops and joins the workers.
  ~exFileSetParser();
  exFileSetParser(const exFileSetParser&) = delete;
  exFileSetParser& operator=(const exFileSetParser&) = delete;

  // Starts up to `threads` workers; false when none could be started (out
  // of memory or no thread to be had): the caller then parses directly.
  bool Start(unsigned threads);
  // Waits for file `index` and hands over its part (null when the worker ran
  // out of memory before the part existed).
  std::unique_ptr<exFilePart> Take(size_t index);
  // The workers take no further file and end the file at hand early;
  // waits for them to end.
  void Stop();

 private:
  void Work();

  const std::vector<std::string>& paths_;
  // File indexes, largest file first; workers take them in this order.
  std::vector<size_t> order_;
  std::vector<std::unique_ptr<exFilePart>> parts_;
  std::vector<char> taken_;
  std::vector<char> done_;
  std::mutex mutex_;
  std::condition_variable ready_;
  size_t next_ = 0;
  bool stop_ = false;
  std::atomic<bool> cancel_{false};
  std::vector<std::thread> threads_;
};

// Worker threads for a list of files on a machine with `cores` cores: one
// per core, no more than files, and none for one file or one core.
unsigned FileSetThreads(size_t files, unsigned cores);

#endif
