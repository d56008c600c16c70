// A single updating status line on a terminal while long work runs: the
// phase, the number of host objects created so far and the elapsed time.
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
  // Erases the line and keeps it away until Resume, so that other output
  // can be printed.
  void Suspend();
  void Resume();
  // Erases the line and stops the display thread.
  void Stop();

  // The line as shown, without the carriage return (for tests).
  static std::string FormatLine(const std::string& phase, uint64_t objects, double seconds);

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
  std::chrono::steady_clock::time_point start_;
  std::thread thread_;
};

}  // namespace velan_tool

#endif
