/* libvexaUtil: directory queries of the computer's own Active Directory
 * domain and the mail attachment extractor. Usable from C and C++.
 *
 * The three query exports hand their text over in two calls. Size call: set
 * *size to 0 (any value <= 0); on success the export returns 0 and writes
 * the text's length + 1 to *size. Copy call: pass a buffer of that many
 * bytes and *size set to it; the export copies at most *size - 1 bytes,
 * zeroes the rest up to index *size - 2 and never writes index *size - 1,
 * so pass a zero-filled buffer. Texts are in the encoding of the process's
 * locale (LC_CTYPE); entries are joined by ",". The query exports share
 * state: call them from one thread at a time, keeping each size call and
 * its copy call together. */
#ifndef VEXA_UTIL_H
#define VEXA_UTIL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Status values besides 0 and the HRESULTs (negative) of failed directory
 * operations. */
#define VEXA_S_ADS_NOMORE_ROWS 0x00005012      /* the unit or group does not exist */
#define VEXA_ERROR_NO_SUCH_DOMAIN 1355         /* the domain cannot be located */

/* Writes the attachments of the mail message (or the members of the
 * container file) at input_path to files named output_prefix + name.
 * Returns the number of files written, or -1. */
int32_t Extractor(const char* input_path, const char* output_prefix);

/* Names of the groups below the organisational unit `unit` (the whole
 * domain when null or empty). */
int32_t GetGroups(const char* unit, char* buffer, int32_t* size);

/* "mail:account" of the users of `group` that have a mail address (every
 * user of the domain when null or empty). */
int32_t GetMailUsersInGroup(const char* group, char* buffer, int32_t* size);

/* Account names of the users of `group` (every user of the domain when null
 * or empty). */
int32_t GetUsersInGroup(const char* group, char* buffer, int32_t* size);

/* Registers the callback that answers Extractor's overwrite question
 * (non-zero: overwrite); null removes it. */
void SetOverwritePrompt(int (*prompt)(const char* question, void* context), void* context);

#ifdef __cplusplus
}
#endif

#endif /* VEXA_UTIL_H */
