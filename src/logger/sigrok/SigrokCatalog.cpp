#include "logger/sigrok/SigrokCatalog.h"

#include <libsigrok/libsigrok.h>

#include <cstring>

#include "base/FixedText.h"
#include "logger/sigrok/SigrokContext.h"
#include "logger/sigrok/SigrokSource.h"

namespace velatrace::sigrok {

sr_dev_driver* FindDriver(const char* name) {
    sr_context* context = Context();
    if (context == nullptr || name == nullptr) {
        return nullptr;
    }
    const std::lock_guard<std::mutex> lock(DriverLock());
    for (sr_dev_driver** d = sr_driver_list(context); d != nullptr && *d != nullptr; ++d) {
        if (std::strcmp((*d)->name, name) == 0) {
            // A driver initialised once stays so; its context is the program's.
            if ((*d)->context == nullptr && sr_driver_init(context, *d) != SR_OK) {
                return nullptr;
            }
            return *d;
        }
    }
    return nullptr;
}

GSList* ScanDriver(sr_dev_driver* driver, const char* conn) {
    GSList* options = nullptr;
    sr_config option{};
    if (conn != nullptr && conn[0] != '\0') {
        option.key = SR_CONF_CONN;
        option.data = g_variant_ref_sink(g_variant_new_string(conn));
        options = g_slist_append(options, &option);
    }
    GSList* devices = nullptr;
    {
        const std::lock_guard<std::mutex> lock(DriverLock());
        devices = sr_driver_scan(driver, options);
    }
    if (option.data != nullptr) {
        g_variant_unref(option.data);
    }
    g_slist_free(options);
    return devices;
}

int32_t SigrokCatalog::Drivers(char (*names)[32], int32_t max) {
    sr_context* context = Context();
    if (context == nullptr) {
        return 0;
    }
    int32_t n = 0;
    for (sr_dev_driver** d = sr_driver_list(context); d != nullptr && *d != nullptr && n < max;
         ++d) {
        CopyText(names[n++], (*d)->name);
    }
    return n;
}

int32_t SigrokCatalog::Scan(const char* driverName, const char* conn, InstrumentDevice* out,
                            int32_t max) {
    sr_dev_driver* driver = FindDriver(driverName);
    if (driver == nullptr) {
        return 0;
    }
    GSList* devices = ScanDriver(driver, conn);
    int32_t n = 0;
    for (GSList* l = devices; l != nullptr && n < max; l = l->next) {
        auto* sdi = static_cast<sr_dev_inst*>(l->data);
        InstrumentDevice& d = out[n++];
        const char* vendor = sr_dev_inst_vendor_get(sdi);
        const char* model = sr_dev_inst_model_get(sdi);
        FormatText(d.description, sizeof d.description, "%s%s%s (%s)", vendor ? vendor : "",
                   vendor && *vendor ? " " : "", model ? model : "", driverName);
        const char* found = sr_dev_inst_connid_get(sdi);
        CopyText(d.conn, found != nullptr ? found : (conn != nullptr ? conn : ""));
        for (GSList* c = sr_dev_inst_channels_get(sdi); c != nullptr; c = c->next) {
            auto* ch = static_cast<sr_channel*>(c->data);
            if (ch->type == SR_CHANNEL_ANALOG && d.channels < 16) {
                CopyText(d.channel[d.channels++], ch->name);
            }
        }
    }
    g_slist_free(devices);
    return n;
}

std::unique_ptr<InstrumentSource> SigrokCatalog::NewSource() {
    return std::make_unique<SigrokSource>();
}

}  // namespace velatrace::sigrok
