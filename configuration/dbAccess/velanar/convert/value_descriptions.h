// Value descriptions of a signal: every text-table entry of its compu method
// (a single closed raw value with a text) as the raw value and its text, for
// the coding's IDIP_COD_VALUE_DESCS_VTAB property.
#ifndef VELANAR_CONVERT_VALUE_DESCRIPTIONS_H
#define VELANAR_CONVERT_VALUE_DESCRIPTIONS_H

#include <cstdint>
#include <string>

class cCoding;
class cConvertCtx;
class exElement;

// The text shown for a text-table entry: the first L-2 text of its DESC when
// that has text, else its COMPU-CONST/VT, else its SHORT-LABEL ("" if none).
// Descriptions keep the wording of a source database where a converting tool
// put a C identifier into VT.
const char* ValueDescriptionText(const exElement* scale);

// The encoded value descriptions of the coding's text-table scales, in the
// order of the scales; empty when there are none. An entry whose raw value is
// not a finite number is left out.
std::string EncodeValueDescriptions(cConvertCtx* ctx, const cCoding& coding);

// Sets the encoded value descriptions on the CODING object when there are any.
void WriteValueDescriptions(cConvertCtx* ctx, uint64_t codingIoid, const cCoding& coding);

#endif
