// The driver of one import: from the import path to the returned code.
#ifndef VELANAR_IMPORT_IMPORT_DRIVER_H
#define VELANAR_IMPORT_IMPORT_DRIVER_H

#include <cstdint>

class cConvertCtx;
class exDocument;

// Runs one whole import and returns the code Import returns.
uint32_t RunImport(const char* importPath, uint32_t hostHandle);

// Fills the context's file list by its file set policy and writes it to the
// report; an empty list is an error (no input).
void CollectFileSet(cConvertCtx* ctx);

// Parses every listed file, in order, into the document, with its list
// index as file index; stops at the first file that cannot be opened or
// parsed.
void ParseFiles(cConvertCtx* ctx);

// The AUTOSAR release from the namespace bound to "AR": 4, 3, 2 for the bare
// AUTOSAR base URI, 0 for anything else or none.
int DetectAutosarVersion(const exDocument& document);
int DetectAutosarVersion(const char* namespaceUri);

#endif
