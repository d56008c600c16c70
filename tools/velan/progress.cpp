// The progress line on a terminal: the phase, the share of the input read
// and the objects created.
#include "progress.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

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

void Progress::SetInputs(const std::vector<std::string>& files) {
  std::vector<ReadPosition::Input> inputs;
  for (const auto& f : files) {
    struct stat st {};
    if (stat(f.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    inputs.push_back({static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                      static_cast<uint64_t>(st.st_size)});
  }
  std::lock_guard<std::mutex> lock(mutex_);
  reading_ = ReadPosition(std::move(inputs));
}

Progress::ReadPosition::ReadPosition(std::vector<Input> inputs) : inputs_(std::move(inputs)) {
  for (const auto& i : inputs_) total_ += i.size;
}

void Progress::ReadPosition::Sample(const std::vector<std::pair<size_t, uint64_t>>& open) {
  size_t furthest = furthest_;
  uint64_t position = 0;
  for (const auto& [index, offset] : open) {
    if (index >= inputs_.size() || index + 1 < furthest) continue;
    if (index + 1 > furthest) position = 0;
    furthest = index + 1;
    position = std::max(position, std::min(offset, inputs_[index].size));
  }
  if (furthest == 0) return;
  uint64_t read = 0;
  for (size_t i = 0; i + 1 < furthest; ++i) read += inputs_[i].size;
  // The furthest input seen is no longer open: it has been read.
  bool stillOpen = false;
  for (const auto& o : open) stillOpen = stillOpen || o.first + 1 == furthest;
  read += stillOpen ? position : inputs_[furthest - 1].size;
  furthest_ = furthest;
  read_ = std::max(read_, read);
}

bool Progress::ReadPosition::SampleProcess() {
  if (inputs_.empty()) return true;
  DIR* d = opendir("/proc/self/fd");
  if (!d) return false;
  std::vector<std::pair<size_t, uint64_t>> open;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    struct stat st {};
    if (stat((std::string("/proc/self/fd/") + e->d_name).c_str(), &st) != 0) continue;
    for (size_t i = 0; i < inputs_.size(); ++i) {
      if (inputs_[i].device != static_cast<uint64_t>(st.st_dev) ||
          inputs_[i].inode != static_cast<uint64_t>(st.st_ino))
        continue;
      // "pos:\t<offset>" is the first line of the descriptor's information.
      std::ifstream info(std::string("/proc/self/fdinfo/") + e->d_name);
      std::string key;
      uint64_t offset = 0;
      if (info >> key >> offset && key == "pos:") open.emplace_back(i, offset);
      break;
    }
  }
  closedir(d);
  Sample(open);
  return true;
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

std::string Progress::FormatLine(const std::string& phase, uint64_t objects, double seconds,
                                 uint64_t readBytes, uint64_t totalBytes) {
  char read[64] = "";
  if (totalBytes > 0) {
    const double mb = static_cast<double>(totalBytes) / 1e6;
    std::snprintf(read, sizeof read, "  read %d%% of %.*f MB ",
                  static_cast<int>(std::min(readBytes, totalBytes) * 100 / totalBytes),
                  mb < 10 ? 2 : 1, mb);
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, " %llu objects  %.1f s", static_cast<unsigned long long>(objects),
                seconds);
  return "velan: " + phase + read + buf;
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
    // Without /proc the line keeps to the object count.
    positionsVisible_ = positionsVisible_ && reading_.SampleProcess();
    const uint64_t total = positionsVisible_ ? reading_.Total() : 0;
    std::string line = FormatLine(phase_, objects, secs, reading_.Read(), total);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    shown_ = true;
    wake_.wait_for(lock, std::chrono::milliseconds(200), [this] { return stop_; });
  }
}

}  // namespace velan_tool
