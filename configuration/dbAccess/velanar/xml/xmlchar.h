// Ordering of pooled NUL-terminated names used by every name-keyed map of the
// importer: bytes compared as signed char, a prefix sorting first.
#ifndef VELANAR_XML_XMLCHAR_H
#define VELANAR_XML_XMLCHAR_H

struct cmpxmlchar {
  // Three-way comparison: negative, 0 or positive.
  static int Compare(const char* a, const char* b) {
    for (;; ++a, ++b) {
      // Converted explicitly so the order does not depend on the signedness
      // of the platform's char.
      const signed char ca = static_cast<signed char>(*a);
      const signed char cb = static_cast<signed char>(*b);
      if (ca != cb) {
        if (ca == 0) return -1;
        if (cb == 0) return 1;
        return ca < cb ? -1 : 1;
      }
      if (ca == 0) return 0;
    }
  }
  bool operator()(const char* a, const char* b) const { return Compare(a, b) < 0; }
};

#endif
