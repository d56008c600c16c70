/* Host application interface of the reference host database library
 * (libvelanDB.so).
 *
 * A host application links against libvelanDB.so, creates a database and
 * passes its handle to the import plug-in, which dlopens the same library by
 * its bare name and so reaches the same databases. Afterwards the application
 * walks the objects, prints the object tree, saves the database to a file or
 * opens one.
 *
 * Identifiers: every object has a 64-bit identifier, unique in the process,
 * counted from 1 upward and always below 2^32. The identifier of a
 * database's DATABASE object is the database's handle (a 32-bit value).
 *
 * Results: functions returning int32_t give VDB_OK (0) on success and one of
 * the negative VDB_E_* codes on failure; vdbLastError() then gives a
 * descriptive text. vlStatusToString (libvelan.so) gives the short text of
 * every code.
 *
 * All functions may be called from any thread; they are serialised inside
 * the library. */
#ifndef VELAN_VELANDB_HOST_H
#define VELAN_VELANDB_HOST_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "velan/export.h"

VELAN_BEGIN_C

/* ---- Codes answered by the import functions and the host API ---- */
#define VDB_OK 0
#define VDB_E_UNKNOWN_HANDLE (-101)       /* no database with this handle */
#define VDB_E_UNKNOWN_TYPE (-102)         /* object type outside the vocabulary */
#define VDB_E_UNKNOWN_OBJECT (-103)       /* no object with this identifier */
#define VDB_E_OTHER_DATABASE (-104)       /* object belongs to another database */
#define VDB_E_PARENT_TYPE (-105)          /* parent is of another type than stated */
#define VDB_E_CHILD_NOT_ALLOWED (-106)    /* parent type cannot hold this child type */
#define VDB_E_LINK_NOT_ALLOWED (-107)     /* object type cannot be linked to parent type */
#define VDB_E_NAME_REQUIRED (-108)        /* empty or absent name for a named type */
#define VDB_E_UNKNOWN_PROPERTY (-109)     /* property identifier does not exist */
#define VDB_E_PROPERTY_NOT_OF_TYPE (-110) /* property does not belong to the object's type */
#define VDB_E_VALUE_SIZE (-111)           /* value size does not fit the encoding */
#define VDB_E_NULL_ARGUMENT (-112)        /* a required pointer is null */
#define VDB_E_START_BIT_RANGE (-113)      /* converted start bit above 65535 */
#define VDB_E_OUT_OF_IDENTIFIERS (-114)   /* 2^32 - 1 identifiers used up */
#define VDB_E_OUT_OF_MEMORY (-115)
#define VDB_E_NOT_FOUND (-116)        /* index or property not present (walk functions) */
#define VDB_E_FILE_OPEN (-117)        /* database file cannot be opened or read */
#define VDB_E_FILE_FORMAT (-118)      /* not a database file of this host, or another version */
#define VDB_E_FILE_CORRUPT (-119)     /* database file fails its integrity checks */
#define VDB_E_FILE_WRITE (-120)       /* database file cannot be written */
#define VDB_E_INTERNAL (-121)         /* unexpected internal failure */
#define VDB_E_INVALID_ARGUMENT (-122) /* an argument is out of its range */

/* ---- Codes of the read interface (dbaStatus.code; bit 31 set) ----
 * dbaStatus.detail carries the matching VDBA_DETAIL_* reason. */
#define VDBA_E_UNKNOWN_REFERENCE 0xC0DB0001u  /* no object with this reference */
#define VDBA_E_NO_PROPERTY 0xC0DB0002u        /* the object has no such property */
#define VDBA_E_SIZE_MISMATCH 0xC0DB0003u      /* buffer size differs from the value's size */
#define VDBA_E_NULL_POINTER 0xC0DB0004u       /* a required pointer is null */
#define VDBA_E_READ_ONLY 0xC0DB0005u          /* property cannot be written */
#define VDBA_E_UNSUPPORTED_FORMAT 0xC0DB0006u /* save path has an unsupported ending */
#define VDBA_E_EXPORTER_MISSING 0xC0DB0007u   /* the DBC exporter library cannot be loaded */
#define VDBA_E_OPEN_FAILED 0xC0DB0008u        /* database file cannot be opened */
#define VDBA_E_NOT_OPENED 0xC0DB0009u /* close of a database not opened by dbaOpenDatabase */
#define VDBA_E_BAD_MODE 0xC0DB000Au   /* unsupported mode argument */
#define VDBA_E_INTERNAL 0xC0DB000Bu   /* out of memory or unexpected failure */

#define VDBA_DETAIL_UNKNOWN_REFERENCE 1u
#define VDBA_DETAIL_NO_PROPERTY 2u
#define VDBA_DETAIL_SIZE_MISMATCH 3u
#define VDBA_DETAIL_NULL_POINTER 4u
#define VDBA_DETAIL_READ_ONLY 5u
#define VDBA_DETAIL_UNSUPPORTED_FORMAT 6u
#define VDBA_DETAIL_EXPORTER_MISSING 7u
#define VDBA_DETAIL_OPEN_FAILED 8u
#define VDBA_DETAIL_NOT_OPENED 9u
#define VDBA_DETAIL_BAD_MODE 10u
#define VDBA_DETAIL_INTERNAL 11u

/* ---- Databases ---- */

/* Creates an empty database whose DATABASE object carries `name` (null or
 * empty allowed) and writes its handle. */
VELAN_EXPORT int32_t vdbCreateDatabase(const char* name, uint32_t* handle);

/* Destroys a database and every object in it. */
VELAN_EXPORT int32_t vdbDestroyDatabase(uint32_t handle);

/* Number of objects created in the database besides its DATABASE object.
 * Cheap and safe to call from another thread while an import runs (for
 * progress display). Unknown handle: 0. */
VELAN_EXPORT uint64_t vdbObjectCount(uint32_t handle);

/* ---- Walking the objects ---- */

typedef struct vdbObjectInfo {
  uint64_t id;               /* the object's identifier */
  uint64_t parent;           /* identifier of the parent; 0 for the DATABASE object */
  const char* name;          /* never null; valid until the database is destroyed */
  uint32_t type;             /* object type (VelanObjectType) */
  uint32_t database;         /* handle of the database that holds the object */
  uint32_t number;           /* creation order within the database; DATABASE is 0 */
  uint32_t childCount;       /* children, in creation order */
  uint32_t extraParentCount; /* further parents given by imp_LinkToParent, in link order */
  uint32_t propertyCount;    /* properties set, in ascending identifier order */
} vdbObjectInfo;

VELAN_EXPORT int32_t vdbGetObject(uint64_t id, vdbObjectInfo* info);
VELAN_EXPORT int32_t vdbGetChild(uint64_t id, uint32_t index, uint64_t* child);
VELAN_EXPORT int32_t vdbGetExtraParent(uint64_t id, uint32_t index, uint64_t* parent);
/* First child of `parent` with the type and name (name null: any name). */
VELAN_EXPORT int32_t vdbFindChild(uint64_t parent, uint32_t type, const char* name,
                                  uint64_t* child);
/* Identifier of the index-th property (ascending identifier order). */
VELAN_EXPORT int32_t vdbGetPropertyId(uint64_t id, uint32_t index, uint32_t* propertyId);
/* Copies at most `capacity` bytes of the stored value into `buffer` (may be
 * null when capacity is 0) and writes the full size to `size` (may be null).
 * Texts are stored without their terminating NUL. VDB_E_NOT_FOUND when the
 * property was never set. */
VELAN_EXPORT int32_t vdbGetProperty(uint64_t id, uint32_t propertyId, void* buffer,
                                    uint32_t capacity, uint32_t* size);

/* ---- Object tree print ----
 * One line per object, indented by two blanks per level: type name, the
 * name in double quotes and "#" with the object's number within its
 * database (numbers, unlike identifiers, do not depend on what else the
 * process created, so prints are comparable between runs). Below it, one
 * line per property "NAME = value" in ascending identifier order, one line
 * "linked to TYPE #n" per extra parent, then the children. Lines end with
 * LF. `root` is any object; the handle prints the whole database. */
VELAN_EXPORT int32_t vdbPrintTree(uint64_t root, FILE* out);
/* Same text into a buffer: writes at most size - 1 characters and a NUL
 * (nothing when size is 0) and stores the full text length (without NUL) in
 * `length`, so a first call with size 0 gives the size needed. */
VELAN_EXPORT int32_t vdbFormatTree(uint64_t root, char* buffer, size_t size, size_t* length);

/* ---- Fault injection (tests) ----
 * Import calls are the calls of imp_CreateObject, imp_CreateChildObject,
 * imp_LinkToParent and imp_SetProperty that name this database's handle;
 * they are counted from 1 since the database was created.
 * vdbInjectFault arms one fault: the import call with number `callNumber`
 * answers `code`. With performCall 0 the call does nothing else (no object
 * created, identifier left as the caller set it). With performCall non-zero
 * the call is carried out first; if it fails, its own error is answered,
 * otherwise `code`. callNumber 0 disarms. One fault is armed at a time. */
VELAN_EXPORT int32_t vdbInjectFault(uint32_t handle, uint64_t callNumber, int32_t code,
                                    int32_t performCall);
/* Number of import calls that named this database so far. */
VELAN_EXPORT uint64_t vdbImportCallCount(uint32_t handle);

/* ---- Database files ----
 * vdbSaveDatabase writes the whole database to `path` (a temporary file in
 * the same folder renamed over the target, so a failure leaves an existing
 * file intact). vdbOpenDatabase reads such a file into a new database
 * (identifiers are new; object numbers and the tree print are the same). */
VELAN_EXPORT int32_t vdbSaveDatabase(uint32_t handle, const char* path);
VELAN_EXPORT int32_t vdbOpenDatabase(const char* path, uint32_t* handle);

/* ---- Errors ----
 * Text describing the last failure of a function of this library on the
 * calling thread ("" when none). Valid until the next call on this thread. */
VELAN_EXPORT const char* vdbLastError(void);

/* Upper bound of identifiers (exclusive): every identifier fits 32 bits. */
#define VDB_ID_LIMIT 0xFFFFFFFFull

VELAN_END_C

#endif
