/* Value descriptions of a signal: raw values with a text each, the entries of
 * a text table. One encoding serves the CODING property
 * IDIP_COD_VALUE_DESCS_VTAB (encoding VTAB) and the read interface's signal
 * property 0x0A030033:
 *
 *   entry := raw value (IEEE 754 double, 8 bytes, host byte order)
 *            text bytes (no NUL among them) and one terminating NUL
 *   value := entry*   (in the order of the text table; no bytes: no entries)
 *
 * A value is well formed when its entries fill it exactly and every raw value
 * is a finite number. */
#ifndef VELAN_VALUE_DESCRIPTIONS_H
#define VELAN_VALUE_DESCRIPTIONS_H

#include <math.h>
#include <stdint.h>
#include <string.h>

/* Reads the entry at *offset of the value (data, size). Gives 1 and advances
 * *offset past the entry, 0 at the end of the value, -1 when the bytes from
 * *offset on are no well-formed entry. *text points into data and holds
 * *length bytes followed by the NUL. */
static inline int VelanNextValueDescription(const void* data, uint32_t size, uint32_t* offset,
                                            double* value, const char** text, uint32_t* length) {
  const unsigned char* bytes = (const unsigned char*)data;
  const uint32_t at = *offset;
  if (at == size) return 0;
  if (at > size || size - at < 9) return -1;
  memcpy(value, bytes + at, 8);
  if (!isfinite(*value)) return -1;
  const void* nul = memchr(bytes + at + 8, 0, size - at - 8);
  if (nul == NULL) return -1;
  *text = (const char*)(bytes + at + 8);
  *length = (uint32_t)((const unsigned char*)nul - (bytes + at + 8));
  *offset = at + 8 + *length + 1;
  return 1;
}

/* 1 when the whole value is well formed, else 0. */
static inline int VelanValueDescriptionsValid(const void* data, uint32_t size) {
  uint32_t offset = 0;
  double value;
  const char* text;
  uint32_t length;
  int r;
  while ((r = VelanNextValueDescription(data, size, &offset, &value, &text, &length)) == 1) {
  }
  return r == 0;
}

#ifdef __cplusplus
#include <string>

/* Calls visit(raw value, text, text length) for each entry in order; true
 * when the whole value is well formed (entries before a malformed one have
 * been visited). */
template <typename Visit>
inline bool VelanForEachValueDescription(const void* data, uint32_t size, Visit visit) {
  uint32_t offset = 0;
  double value = 0;
  const char* text = nullptr;
  uint32_t length = 0;
  int r;
  while ((r = VelanNextValueDescription(data, size, &offset, &value, &text, &length)) == 1) {
    visit(value, text, length);
  }
  return r == 0;
}

/* Appends one entry to an encoded value. The text must hold no NUL. */
inline void VelanAppendValueDescription(std::string& out, double value, const std::string& text) {
  char bytes[8];
  memcpy(bytes, &value, 8);
  out.append(bytes, 8);
  out.append(text);
  out.push_back('\0');
}
#endif

#endif
