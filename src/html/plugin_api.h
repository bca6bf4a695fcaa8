/* The day-page template plug-in interface: the five exports the program looks up by name in a
 * shared library of a plug-in folder, and the data that crosses between them. Plain C, so a
 * plug-in can be written in any language that builds a shared library with C linkage.
 *
 * Rules that hold for every export:
 *  - Every text crossing the interface is UTF-8. The plug-in chooses the page encoding itself.
 *  - Buffers belong to the program. An export called with a null buffer reports the size the
 *    program must allocate; called again with a buffer of that size, it fills it. Nothing is kept
 *    by the plug-in after it returns: the library is loaded, called once and unloaded again.
 *  - Results are 32-bit signed integers; the program treats a size below 1 as "nothing".
 *
 * Name list buffer (GetPluginTitle, GetColorPattern): a sequence of entries, each one length byte
 * L followed by the name as zero-terminated text; the next entry begins L bytes after the start
 * of this entry, so L = 1 + name bytes + 1 and a name holds at most 253 bytes. The result with a
 * buffer is the number of entries. The program reads no further than the size it was told and
 * stops at the first entry that is malformed (L below 2, past the end, or not terminated).
 *
 * Sample picture (GetTemplateColorSampleDIB): a packed device-independent bitmap, that is a
 * 40-byte BITMAPINFOHEADER (little-endian: size 40, width, height > 0 for bottom-up rows,
 * planes 1, bit count 24, compression 0, image size, 2835, 2835, 0, 0) followed directly by the
 * pixel rows, blue-green-red, each row padded to a multiple of 4 bytes. The result with a buffer
 * is the number of bytes written; the program shows the picture only when that equals the size.
 *
 * Image list (MakeHtmlFile): an array of OrrivanPhotoRecord, one per file of the day in album
 * order (the order of the album's picture list, sorted by shooting time). Each record mirrors the
 * album's picture record: the absolute file path with "/" separators (in a shortcut day the path
 * of the ".lnk" link), the shooting date and time as six digit strings, the size in bytes and the
 * flag. The array and its strings stay valid for the duration of the call only.
 */
#ifndef ORRIVAN_HTML_PLUGIN_API_H
#define ORRIVAN_HTML_PLUGIN_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ORRIVAN_PLUGIN_EXPORT __attribute__((visibility("default")))

/* One picture record of the day, as the album holds it. */
typedef struct OrrivanPhotoRecord {
  const char* filePath; /* absolute, "/" separated */
  const char* year;     /* "2004" */
  const char* month;    /* "01".."12" */
  const char* day;      /* "01".."31" */
  const char* hour;     /* "00".."23" */
  const char* minute;
  const char* second;
  int32_t size;         /* bytes, saturated at 2147483647 */
  int32_t flag;         /* 0 for every record the program creates */
} OrrivanPhotoRecord;

/* Template titles of the plug-in. module is the handle the library was loaded with. */
typedef int32_t (*OrrivanGetPluginTitleFn)(void* module, char* buffer);

/* Description of one template, zero-terminated; the null-buffer size counts the terminator. */
typedef int32_t (*OrrivanGetTemplateSummaryFn)(int32_t templateIndex, char* buffer);

/* Colour pattern names of the plug-in, as a name list. */
typedef int32_t (*OrrivanGetColorPatternFn)(void* module, char* buffer);

/* Sample picture of one colour pattern, as a packed bitmap. */
typedef int32_t (*OrrivanGetTemplateColorSampleDIBFn)(int32_t colorIndex, void* buffer);

/* Writes "INDEX.HTM" in dayFolder (absolute, no trailing "/") for the imageCount records of images
 * with the given template and colour pattern. printButton is the "PrintButton" setting (0 = the
 * page offers PRINT), tempSize the "TempSize" setting (0 = 640x480, 1 = 320x240 for mail),
 * mailName the "MailName" setting ("ﾒｰﾗｰの設定しない" = no mail program). dayTitle is the day's
 * title (may be empty); it follows the arguments of the first plug-in generation, which ignore it
 * safely because the caller removes the arguments. Non-zero on success. */
typedef int32_t (*OrrivanMakeHtmlFileFn)(const char* dayFolder, const OrrivanPhotoRecord* images,
                                         int32_t imageCount, int32_t templateIndex,
                                         int32_t colorIndex, int32_t printButton, int32_t tempSize,
                                         const char* mailName, const char* dayTitle);

/* The exports, declared for plug-in authors so the compiler checks their signatures. */
ORRIVAN_PLUGIN_EXPORT int32_t GetPluginTitle(void* module, char* buffer);
ORRIVAN_PLUGIN_EXPORT int32_t GetTemplateSummary(int32_t templateIndex, char* buffer);
ORRIVAN_PLUGIN_EXPORT int32_t GetColorPattern(void* module, char* buffer);
ORRIVAN_PLUGIN_EXPORT int32_t GetTemplateColorSampleDIB(int32_t colorIndex, void* buffer);
ORRIVAN_PLUGIN_EXPORT int32_t MakeHtmlFile(const char* dayFolder, const OrrivanPhotoRecord* images,
                                           int32_t imageCount, int32_t templateIndex,
                                           int32_t colorIndex, int32_t printButton,
                                           int32_t tempSize, const char* mailName,
                                           const char* dayTitle);

#define ORRIVAN_EXPORT_GET_PLUGIN_TITLE "GetPluginTitle"
#define ORRIVAN_EXPORT_GET_TEMPLATE_SUMMARY "GetTemplateSummary"
#define ORRIVAN_EXPORT_GET_COLOR_PATTERN "GetColorPattern"
#define ORRIVAN_EXPORT_GET_TEMPLATE_COLOR_SAMPLE_DIB "GetTemplateColorSampleDIB"
#define ORRIVAN_EXPORT_MAKE_HTML_FILE "MakeHtmlFile"

/* The mail program name that means "none set". */
#define ORRIVAN_NO_MAIL_PROGRAM "ﾒｰﾗｰの設定しない"

#ifdef __cplusplus
}
#endif

#endif /* ORRIVAN_HTML_PLUGIN_API_H */
