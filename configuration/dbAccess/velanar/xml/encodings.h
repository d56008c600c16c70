// Single-byte encodings that real ARXML files declare but expat does not
// know by those names ("ASCII", "windows-1252", "ISO-8859-15", ...). Without
// them such a file ends with a parser error before its first element.
#ifndef VELANAR_XML_ENCODINGS_H
#define VELANAR_XML_ENCODINGS_H

#include <expat.h>

// Lets `parser` read the additional encodings. Encodings expat knows itself
// (UTF-8, UTF-16, ISO-8859-1, US-ASCII) never reach the handler.
void InstallEncodingAliases(XML_Parser parser);

// The handler itself, for tests: fills `info` for a known name and returns
// XML_STATUS_OK, else XML_STATUS_ERROR.
int XMLCALL ResolveUnknownEncoding(void* data, const XML_Char* name, XML_Encoding* info);

#endif
