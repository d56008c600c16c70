/* The parse floor: expat reading the same files in the same chunk size as the
 * importer, with handlers that do nothing. No conversion can be faster than
 * this, so it is the yardstick for the importer's own overhead.
 *
 * usage: velan_floor FILE_OR_FOLDER...
 * A folder stands for its *.arxml files. Prints bytes and seconds. */
#define _POSIX_C_SOURCE 200809L
#include <dirent.h>
#include <expat.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>

enum { kChunk = 8192 };

static void XMLCALL OnStart(void* user, const XML_Char* name, const XML_Char** attrs) {
  (void)user;
  (void)name;
  (void)attrs;
}
static void XMLCALL OnEnd(void* user, const XML_Char* name) {
  (void)user;
  (void)name;
}
static void XMLCALL OnText(void* user, const XML_Char* text, int len) {
  (void)user;
  (void)text;
  (void)len;
}

static int ParseFile(const char* path, unsigned long long* total) {
  FILE* f = fopen(path, "rb");
  if (!f) {
    fprintf(stderr, "velan_floor: cannot open %s\n", path);
    return 1;
  }
  XML_Parser p = XML_ParserCreateNS(NULL, ':');
  XML_SetElementHandler(p, OnStart, OnEnd);
  XML_SetCharacterDataHandler(p, OnText);
  char buf[kChunk];
  int rc = 0;
  for (;;) {
    size_t n = fread(buf, 1, sizeof buf, f);
    *total += n;
    int last = n < sizeof buf;
    if (XML_Parse(p, buf, (int)n, last) == XML_STATUS_ERROR) {
      fprintf(stderr, "velan_floor: %s: %s\n", path, XML_ErrorString(XML_GetErrorCode(p)));
      rc = 1;
      break;
    }
    if (last) break;
  }
  XML_ParserFree(p);
  fclose(f);
  return rc;
}

static int HasArxmlExtension(const char* name) {
  const char* dot = strrchr(name, '.');
  return dot && strcasecmp(dot + 1, "arxml") == 0;
}

static int ParsePath(const char* path, unsigned long long* total) {
  struct stat st;
  if (stat(path, &st) != 0) {
    fprintf(stderr, "velan_floor: cannot stat %s\n", path);
    return 1;
  }
  if (!S_ISDIR(st.st_mode)) return ParseFile(path, total);
  DIR* d = opendir(path);
  if (!d) return 1;
  int rc = 0;
  struct dirent* e;
  while ((e = readdir(d)) != NULL) {
    if (!HasArxmlExtension(e->d_name)) continue;
    size_t len = strlen(path) + strlen(e->d_name) + 2;
    char* full = malloc(len);
    if (!full) break;
    snprintf(full, len, "%s/%s", path, e->d_name);
    rc |= ParseFile(full, total);
    free(full);
  }
  closedir(d);
  return rc;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: velan_floor FILE_OR_FOLDER...\n");
    return 2;
  }
  struct timespec t0, t1;
  clock_gettime(CLOCK_MONOTONIC, &t0);
  unsigned long long total = 0;
  int rc = 0;
  for (int i = 1; i < argc; ++i) rc |= ParsePath(argv[i], &total);
  clock_gettime(CLOCK_MONOTONIC, &t1);
  double secs = (double)(t1.tv_sec - t0.tv_sec) + (double)(t1.tv_nsec - t0.tv_nsec) / 1e9;
  printf("bytes=%llu seconds=%.4f MBps=%.1f\n", total, secs,
         secs > 0 ? (double)total / 1e6 / secs : 0.0);
  return rc;
}
