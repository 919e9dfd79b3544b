#pragma once
// The rules of the "Transport setting" dialog: what it shows from the port settings, which
// controls are enabled, the limits of the time-out, and what OK writes back. The dialog works on
// its own copy; only the terminator and the time-out can be changed.
#include <cstdint>

#include "logger/TransportSettings.h"

namespace velatrace {

class TransportDialogModel {
  public:
    // Drop-down lists, in the order they are shown, with the entry selected on opening.
    static constexpr const char* kBaudRates[] = {"1200",  "2400",  "4800",  "9600",
                                                 "19200", "38400", "57600", "115200"};
    static constexpr const char* kDataBits[] = {"8", "7"};
    static constexpr const char* kStopBits[] = {"1", "2"};
    static constexpr const char* kParities[] = {"None", "Odd", "Even"};
    static constexpr const char* kFlowControls[] = {"None", "Hard", "Soft"};
    static constexpr const char* kTerminators[] = {"CrLf", "Cr", "Lf", "None"};
    static constexpr int kBaudRateSelection = 3;  // 9600; the other serial lists select entry 0
    // The time-out edit takes at most four digits; its up-down steps within these limits.
    static constexpr int kTimeoutDigits = 4;
    static constexpr int32_t kTimeoutMin = 0;
    static constexpr int32_t kTimeoutMax = 9999;

    explicit TransportDialogModel(const TransportSettings& settings);

    // The TCP/IP group: the box is checked when an address is set, and is never enabled; the
    // address and port follow the box. The serial lists are never enabled.
    bool UseIp() const { return useIp_; }
    static constexpr bool IpBoxEnabled() { return false; }
    bool AddressEnabled() const { return useIp_; }
    static constexpr bool SerialEnabled() { return false; }
    // "a.b.c.d" with the first byte in the high bits, and the port "%d"; both empty without an
    // address.
    void AddressText(char (&out)[16]) const;
    void PortText(char (&out)[12]) const;

    int32_t Terminator() const { return copy_.terminator; }
    int32_t Timeout() const { return copy_.timeout; }
    // The terminator list's selection; an index outside the list keeps the current one.
    void SelectTerminator(int32_t index);
    // The time-out edit's text: its leading digits, at most four, 0 when there are none.
    void SetTimeoutText(const char* text);

    // OK: the terminator and the time-out go to `target`, and the address and port only while
    // an address is in use; nothing else is written back.
    void Apply(TransportSettings& target) const;

  private:
    TransportSettings copy_;
    bool useIp_ = false;
};

}  // namespace velatrace
