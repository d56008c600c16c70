// Entry point of the velan tool: runs the command line and turns what
// escapes it (out of memory) into an error message and exit status 1.
#include <cstdio>
#include <exception>
#include <new>

#include "cleanup.h"
#include "commands.h"

int main(int argc, char** argv) {
  velan_tool::InstallInterruptCleanup();
  try {
    return velan_tool::Main(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("velan: out of memory\n", stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "velan: %s\n", e.what());
  }
  return velan_tool::kExitFailed;
}
