// Small platform layer compiled into each plug-in: loading shared libraries,
// library file names, sorted directory listings and file helpers.
#ifndef VELAN_COMMON_VELAN_PLATFORM_H
#define VELAN_COMMON_VELAN_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vplat {

// dlopen(name, RTLD_NOW | RTLD_LOCAL); null when it does not load.
void* LoadSharedLibrary(const char* fileName);
// dlsym; null when absent or when handle is null.
void* FindSymbol(void* handle, const char* name);
// dlclose; a null handle is ignored.
void FreeSharedLibrary(void* handle);

// The folder of the loaded module (executable or shared library) that holds
// the address, or "" when unknown.
std::string FolderOfAddress(const void* address);

// The file name of a library: the folder, "/" when the folder is not empty,
// then "lib", the base name and ".so".
std::string LibraryFileName(const std::string& folder, const std::string& baseName);

// The part of a path before its last '/': "." when there is none, "/" when
// that slash is the first character.
std::string FolderOf(const std::string& path);
// folder + "/" + name.
std::string JoinPath(const std::string& folder, const std::string& name);

// The names of the regular files of a folder (symbolic links followed; "."
// and "..", folders, FIFOs, devices and sockets left out), sorted by the
// bytes of their ASCII upper-cased forms, ties by the raw bytes. Returns
// false when the folder cannot be listed.
bool ListRegularFiles(const std::string& folder, std::vector<std::string>* names);

// The comparison used by ListRegularFiles: true when a sorts before b.
bool DirectoryOrderLess(const std::string& a, const std::string& b);

// True when path names a folder (symbolic links followed).
bool IsDirectory(const std::string& path);
// True when path names a regular file (symbolic links followed).
bool IsRegularFile(const std::string& path);
// Size in bytes of a regular file (symbolic links followed); 0 for anything
// else or when it cannot be read.
uint64_t FileSize(const std::string& path);

// The user's configuration folder: $VELAN_CONFIG_DIR, else
// $XDG_CONFIG_HOME/velan, else $HOME/.config/velan (the first variable that
// is set and not empty); "" when none is.
std::string UserConfigFolder();

// ASCII case-insensitive equality.
bool EqualsIgnoreAsciiCase(const std::string& a, const std::string& b);

// Size and alignment of the regions below: one transparent huge page.
constexpr size_t kHugeRegionSize = size_t{2} << 20;

// Memory for `size` bytes aligned to kHugeRegionSize and advised for
// transparent huge pages (where the kernel offers them): one page fault and
// one TLB entry per 2 MiB instead of 512. Null when out of memory. For
// memory that is filled densely; a region is resident as a whole once
// touched. Freed with FreeHugeRegion.
void* AllocateHugeRegion(size_t size);
void FreeHugeRegion(void* region);

}  // namespace vplat

#endif
