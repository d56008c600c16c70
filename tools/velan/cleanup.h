// Removal of the tool's temporary files when the run is interrupted
// (SIGINT, SIGTERM, SIGHUP): the private configuration folder with its log
// and a half-written output file would otherwise stay behind. Earlier
// outputs are never touched: they are only replaced by a rename after a
// complete write.
#ifndef VELAN_TOOL_CLEANUP_H
#define VELAN_TOOL_CLEANUP_H

#include <signal.h>

#include <string>

namespace velan_tool {

// Holds back SIGINT, SIGTERM and SIGHUP for its lifetime, so that creating a
// temporary path and registering it happen as one step: a signal between
// the two would leave the path behind. A held-back signal arrives when the
// block ends.
class InterruptBlock {
 public:
  InterruptBlock();
  ~InterruptBlock();
  InterruptBlock(const InterruptBlock&) = delete;
  InterruptBlock& operator=(const InterruptBlock&) = delete;

 private:
  sigset_t previous_;
};

// Installs the signal handlers (once).
void InstallInterruptCleanup();

// Paths removed on interruption, latest first (a file is removed with
// unlink, a folder with rmdir). Registration returns a slot number for
// Unregister, or -1 when every slot is taken or the path is too long.
int RegisterTemporary(const std::string& path);
void UnregisterTemporary(int slot);

// Removes every registered path now, as the signal handler does.
void RemoveRegisteredTemporaries();

}  // namespace velan_tool

#endif
