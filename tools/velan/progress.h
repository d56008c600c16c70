// A single updating status line on a terminal while long work runs: the
// phase, how much of the input files has been read, the number of host
// objects created so far and the elapsed time.
// It appears only when standard error is a terminal and the work has taken
// longer than about a second, and is erased when the work ends.
#ifndef VELAN_TOOL_PROGRESS_H
#define VELAN_TOOL_PROGRESS_H

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velan_tool {

class Progress {
 public:
  // `enabled` false: never shows anything (for --quiet and non-terminals).
  explicit Progress(bool enabled);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Shows `phase` and the object count of database `handle` (0: none).
  void SetPhase(const std::string& phase, uint32_t handle);
  // The files the running import reads, in the order it reads them: the
  // line then shows the share of their bytes read so far, followed through
  // the read positions of the process's open files. Empty: no input.
  void SetInputs(const std::vector<std::string>& files);
  // Erases the line and keeps it away until Resume, so that other output
  // can be printed.
  void Suspend();
  void Resume();
  // Erases the line and stops the display thread.
  void Stop();

  // The line as shown, without the carriage return (for tests); the bytes
  // appear when `totalBytes` is not 0.
  static std::string FormatLine(const std::string& phase, uint64_t objects, double seconds,
                                uint64_t readBytes = 0, uint64_t totalBytes = 0);

  // How far a reader of files in a known order has got, from samples of
  // which of them are open and at what position.
  class ReadPosition {
   public:
    struct Input {
      uint64_t device = 0, inode = 0, size = 0;
    };
    explicit ReadPosition(std::vector<Input> inputs = {});
    uint64_t Total() const { return total_; }
    // One sample: the position of every input seen open (index, offset).
    // Files before the furthest one seen are taken as read; a file seen
    // and then no longer open too.
    void Sample(const std::vector<std::pair<size_t, uint64_t>>& open);
    uint64_t Read() const { return read_; }
    // Samples the process's open files; false when they cannot be seen.
    bool SampleProcess();

   private:
    std::vector<Input> inputs_;
    uint64_t total_ = 0, read_ = 0;
    size_t furthest_ = 0;  // index + 1 of the furthest input seen open; 0: none
  };

 private:
  void Run();

  bool enabled_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  bool shown_ = false;
  bool suspended_ = false;
  std::string phase_;
  uint32_t handle_ = 0;
  ReadPosition reading_;
  bool positionsVisible_ = true;
  std::chrono::steady_clock::time_point start_;
  std::thread thread_;
};

}  // namespace velan_tool

#endif
