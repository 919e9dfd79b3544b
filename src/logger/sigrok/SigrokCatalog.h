#pragma once
// libsigrok's drivers and the devices they find, for the instrument dialog and the program.
#include "logger/InstrumentSource.h"

struct sr_dev_driver;
struct sr_dev_inst;
struct _GSList;

namespace velatrace::sigrok {

class SigrokCatalog final : public InstrumentCatalog {
  public:
    int32_t Drivers(char (*names)[32], int32_t max) override;
    int32_t Scan(const char* driver, const char* conn, InstrumentDevice* out, int32_t max) override;
    std::unique_ptr<InstrumentSource> NewSource() override;
};

// The driver named `name`, initialised; null when there is none. Takes DriverLock() itself.
sr_dev_driver* FindDriver(const char* name);
// The devices `driver` finds (with `conn` when not empty); a list to free with g_slist_free.
_GSList* ScanDriver(sr_dev_driver* driver, const char* conn);

}  // namespace velatrace::sigrok
