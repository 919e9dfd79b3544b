// The rules of the two logger dialogs, without any widget.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "logger/ChannelPropertyModel.h"
#include "logger/TransportDialogModel.h"

namespace velatrace {
namespace {

TransportSettings Stored() {
    TransportSettings s;
    s.reserved = 5;
    s.baudRate = 3;
    s.parity = 2;
    s.terminator = kTerminatorCr;
    s.timeout = 500;
    return s;
}

TEST(TransportDialogModel, ShowsTheAddressInUseAndRepairsADamagedCopy) {
    TransportSettings s = Stored();
    s.ipAddress = static_cast<int32_t>(0xC0A8010Au);
    s.portNumber = 502;
    char address[16], port[12];
    const TransportDialogModel a(s);
    a.AddressText(address);
    a.PortText(port);
    EXPECT_EQ(std::tuple(a.UseIp(), a.AddressEnabled(), std::string(address), std::string(port)),
              std::tuple(true, true, "192.168.1.10", "502"));

    s = Stored();  // no address, and an edited settings file
    s.terminator = 7;
    s.timeout = -3;
    const TransportDialogModel e(s);
    e.AddressText(address);
    EXPECT_EQ(std::tuple(e.UseIp(), std::string(address), e.Terminator(), e.Timeout()),
              std::tuple(false, "", kTerminatorCrLf, 0));
}

TEST(TransportDialogModel, EditsTakeOnlyValidInputAndOkWritesOnlyTheEditableFields) {
    TransportDialogModel m(Stored());
    for (auto [text, expected] : {std::pair{"", 0}, {"250ms", 250}, {"-5", 0}, {"99999", 9999}}) {
        m.SetTimeoutText(text);
        EXPECT_EQ(m.Timeout(), expected) << text;
    }
    m.SelectTerminator(kTerminatorLf);
    m.SelectTerminator(-1);  // no selection keeps the last one
    m.SelectTerminator(4);
    m.SetTimeoutText("750");
    TransportSettings target = Stored();
    target.portNumber = 77;  // kept: no address is in use
    m.Apply(target);
    EXPECT_EQ(std::tie(target.terminator, target.timeout, target.portNumber, target.reserved,
                       target.baudRate, target.parity),
              std::tuple(kTerminatorLf, 750, 77, 5, 3, 2));
}

// The table, the texts and the query after a refresh are checked through the frame and the
// dialog; here the limits.
TEST(ChannelPropertyModel, QueryAsAllowedAndNoIndexOrWidthOutOfRange) {
    LoggerSetup setup;
    setup.alarmOutUsed[3] = 1;
    EXPECT_TRUE(ChannelPropertyModel(setup, true).QueryEnabled());
    const ChannelPropertyModel m(setup, false);
    EXPECT_EQ(
        std::tuple(m.QueryEnabled(), m.AlarmOutUsed(3), m.AlarmOutUsed(4), m.AlarmOutUsed(-1)),
        std::tuple(false, true, false, false));
    EXPECT_EQ(std::pair(ChannelPropertyModel::SharedColumnWidth(235),
                        ChannelPropertyModel::SharedColumnWidth(20)),
              std::pair(100, 0));
}

}  // namespace
}  // namespace velatrace
