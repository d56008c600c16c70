/* Configuration reader library (libvelanfx.so): a small read-only XML tree
 * with namespace-qualified lookups, obtained through QueryXMLParser.
 *
 * Names are qualified with prefixes bound by the caller: after
 * BindNamespace("urn:x", "cfg") an element in the namespace "urn:x" with the
 * local name "A" is found as "cfg:A". Elements without a namespace are found
 * by their local name. Attributes are looked up by their plain name (or a
 * bound prefix for namespaced attributes). The interfaces are used through
 * their virtual slots, in the order declared. */
#ifndef VELAN_VELANFX_H
#define VELAN_VELANFX_H

#include <stdint.h>

#include "velan/export.h"

#ifdef __cplusplus

class IfcXMLNode {
 public:
  /* The index-th child element (from 0) with the qualified name, or null. */
  virtual IfcXMLNode* FirstChild(const char* qualifiedName, uint32_t index) = 0;
  /* The value of the attribute, or null when the node has no such
   * attribute (distinct from every value, including the empty one). */
  virtual const char* Attribute(const char* qualifiedName) = 0;
  /* The element's character data, blanks at both ends removed; never null. */
  virtual const char* Text() = 0;

 protected:
  ~IfcXMLNode() = default;
};

class IfcXMLParser {
 public:
  /* Binds prefix to the namespace URI for later lookups. False when either
   * is null or empty. */
  virtual bool BindNamespace(const char* namespaceUri, const char* prefix) = 0;
  /* Reads the whole file. False when it cannot be opened or is not
   * well-formed XML; the reader then has no root node. */
  virtual bool LoadFile(const char* path) = 0;
  /* Destroys the reader and every node it gave out. */
  virtual void Release() = 0;
  /* The document node (its child is the root element), or null before a
   * successful LoadFile. */
  virtual IfcXMLNode* RootNode() = 0;

 protected:
  ~IfcXMLParser() = default;
};

extern "C" {
/* A new reader, or null when out of memory. */
VELAN_EXPORT IfcXMLParser* QueryXMLParser(void);
typedef IfcXMLParser* (*QueryXMLParserFn)(void);
}

#endif

#endif
