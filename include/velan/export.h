/* Symbol visibility for the exported C functions of the plug-ins and the
 * host stand-ins. Everything else is built with hidden visibility. */
#ifndef VELAN_EXPORT_H
#define VELAN_EXPORT_H

#define VELAN_EXPORT __attribute__((visibility("default")))

#ifdef __cplusplus
#define VELAN_EXTERN_C extern "C"
#define VELAN_BEGIN_C extern "C" {
#define VELAN_END_C }
#else
#define VELAN_EXTERN_C
#define VELAN_BEGIN_C
#define VELAN_END_C
#endif

#endif
