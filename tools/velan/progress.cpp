#include "progress.h"

#include <unistd.h>

#include <cstdio>

#include "cleanup.h"
#include "velan/velandb_host.h"

namespace velan_tool {

Progress::Progress(bool enabled)
    : enabled_(enabled && isatty(STDERR_FILENO)), start_(std::chrono::steady_clock::now()) {
  if (enabled_) {
    // The display thread starts with the interrupt signals held back, so
    // they always reach the main thread, whose cleanup knows what it is
    // doing at that moment.
    InterruptBlock block;
    thread_ = std::thread([this] { Run(); });
  }
}

Progress::~Progress() {
  Stop();
}

void Progress::SetPhase(const std::string& phase, uint32_t handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  phase_ = phase;
  handle_ = handle;
}

void Progress::Suspend() {
  std::lock_guard<std::mutex> lock(mutex_);
  suspended_ = true;
  if (shown_) {
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
  }
}

void Progress::Resume() {
  std::lock_guard<std::mutex> lock(mutex_);
  suspended_ = false;
}

void Progress::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_) return;
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  if (shown_) {
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
  }
}

std::string Progress::FormatLine(const std::string& phase, uint64_t objects, double seconds) {
  char buf[64];
  std::snprintf(buf, sizeof buf, " %llu objects  %.1f s", static_cast<unsigned long long>(objects),
                seconds);
  return "velan: " + phase + buf;
}

void Progress::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  // Quiet for the first second: short runs show nothing.
  if (wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_; })) return;
  while (!stop_) {
    if (suspended_) {
      wake_.wait_for(lock, std::chrono::milliseconds(200), [this] { return stop_; });
      continue;
    }
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    uint64_t objects = handle_ ? vdbObjectCount(handle_) : 0;
    std::string line = FormatLine(phase_, objects, secs);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    shown_ = true;
    wake_.wait_for(lock, std::chrono::milliseconds(200), [this] { return stop_; });
  }
}

}  // namespace velan_tool
