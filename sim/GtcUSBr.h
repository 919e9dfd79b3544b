/* The logger driver library's entries as the simulated library exports them on Linux.
 * A result of 0 is failure; errno then holds the Windows error code (258 time-out, 6 bad handle,
 * 31 device stopped working, 87 bad parameter, 2 no device). */
#ifndef VELATRACE_SIM_GTCUSBR_H
#define VELATRACE_SIM_GTCUSBR_H

#include <stdint.h>

#define GTCUSBR_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Completion record of an event read: two status words (0 and the bytes delivered) and the
 * eventfd, created by the caller, to which 1 is written when the reply is in the buffer. */
typedef struct GtcCompletion {
    uint32_t status[2];
    int64_t event;
} GtcCompletion;

GTCUSBR_API intptr_t GtcUSBr_OpenDevice(void);
GTCUSBR_API int GtcUSBr_CloseDevice(intptr_t dev);
GTCUSBR_API int GtcUSBr_ReadDevice(intptr_t dev, void* buf, uint32_t count, uint32_t* read,
                                   uint32_t timeoutMs);
GTCUSBR_API int GtcUSBr_ReadDeviceEx(intptr_t dev, void* buf, uint32_t size, GtcCompletion* done);
GTCUSBR_API int GtcUSBr_WriteDevice(intptr_t dev, const void* buf, uint32_t count,
                                    uint32_t* written, uint32_t timeoutMs);
GTCUSBR_API int GtcUSBr_WriteDeviceEx(intptr_t dev, const void* buf, uint32_t count,
                                      GtcCompletion* done);

#ifdef __cplusplus
}
#endif

#endif
