/* The logger driver library's entries as the simulated library exports them: on Linux with C
 * linkage and plain names; on Windows as gtcusbr.dll with standard-call entries exported under
 * their decorated names (gtcusbr32.def, gtcusbr64.def).
 * A result of 0 is failure; the Windows error code (258 time-out, 6 bad handle, 31 device
 * stopped working, 87 bad parameter, 2 no device) is then in errno on Linux, in GetLastError()
 * on Windows. */
#ifndef VELATRACE_SIM_GTCUSBR_H
#define VELATRACE_SIM_GTCUSBR_H

#include <stdint.h>

#ifdef _WIN32
#define GTCUSBR_API
#define GTCUSBR_CALL __stdcall
#else
#define GTCUSBR_API __attribute__((visibility("default")))
#define GTCUSBR_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Completion record of an event read: two status words (0 and the bytes delivered) and the
 * event, created by the caller, signalled when the reply is in the buffer: an eventfd to which
 * 1 is written on Linux, an event HANDLE set with SetEvent on Windows (on 32-bit Windows the
 * handle is in the low word, and the caller puts it in both words). */
typedef struct GtcCompletion {
    uint32_t status[2];
    int64_t event;
} GtcCompletion;

GTCUSBR_API intptr_t GTCUSBR_CALL GtcUSBr_OpenDevice(void);
GTCUSBR_API int GTCUSBR_CALL GtcUSBr_CloseDevice(intptr_t dev);
GTCUSBR_API int GTCUSBR_CALL GtcUSBr_ReadDevice(intptr_t dev, void* buf, uint32_t count,
                                                uint32_t* read, uint32_t timeoutMs);
GTCUSBR_API int GTCUSBR_CALL GtcUSBr_ReadDeviceEx(intptr_t dev, void* buf, uint32_t size,
                                                  GtcCompletion* done);
GTCUSBR_API int GTCUSBR_CALL GtcUSBr_WriteDevice(intptr_t dev, const void* buf, uint32_t count,
                                                 uint32_t* written, uint32_t timeoutMs);
GTCUSBR_API int GTCUSBR_CALL GtcUSBr_WriteDeviceEx(intptr_t dev, const void* buf, uint32_t count,
                                                   GtcCompletion* done);

#ifdef __cplusplus
}
#endif

#endif
