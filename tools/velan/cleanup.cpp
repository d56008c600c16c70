// Removal of the tool's temporary files when a run is interrupted by a signal.
#include "cleanup.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace velan_tool {
namespace {

constexpr int kSlots = 16;
constexpr size_t kPathMax = 4096;

char g_paths[kSlots][kPathMax];
// A slot is read by the handler only while its flag is set; the flag is set
// after the path is complete and cleared before the slot is reused.
std::atomic<int> g_used[kSlots];
std::atomic<int> g_order[kSlots];
std::atomic<int> g_counter{0};

// Only async-signal-safe calls from here on.
void RemoveAll() {
  for (;;) {
    int best = -1, bestOrder = -1;
    for (int i = 0; i < kSlots; ++i) {
      if (g_used[i].load() && g_order[i].load() > bestOrder) {
        best = i;
        bestOrder = g_order[i].load();
      }
    }
    if (best < 0) return;
    if (unlink(g_paths[best]) != 0) rmdir(g_paths[best]);
    g_used[best].store(0);
  }
}

void OnSignal(int sig) {
  RemoveAll();
  signal(sig, SIG_DFL);
  raise(sig);
}

}  // namespace

void InstallInterruptCleanup() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
}

InterruptBlock::InterruptBlock() {
  sigset_t block;
  sigemptyset(&block);
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&block, sig);
  pthread_sigmask(SIG_BLOCK, &block, &previous_);
}

InterruptBlock::~InterruptBlock() {
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

int RegisterTemporary(const std::string& path) {
  if (path.empty() || path.size() >= kPathMax) return -1;
  for (int i = 0; i < kSlots; ++i) {
    if (g_used[i].load()) continue;
    std::memcpy(g_paths[i], path.c_str(), path.size() + 1);
    g_order[i].store(++g_counter);
    g_used[i].store(1);
    return i;
  }
  return -1;
}

void UnregisterTemporary(int slot) {
  if (slot >= 0 && slot < kSlots) g_used[slot].store(0);
}

void RemoveRegisteredTemporaries() {
  RemoveAll();
}

}  // namespace velan_tool
