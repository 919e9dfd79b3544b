// The rules of the two logger dialogs, without any widget.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/FixedText.h"
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

TEST(TransportDialogModel, ShowsTheCopyWithOnlyTerminatorAndTimeOutEditable) {
    const TransportDialogModel m(Stored());
    EXPECT_FALSE(m.UseIp());
    EXPECT_FALSE(m.AddressEnabled());
    EXPECT_FALSE(TransportDialogModel::IpBoxEnabled());
    EXPECT_FALSE(TransportDialogModel::SerialEnabled());
    char address[16], port[12];
    m.AddressText(address);
    m.PortText(port);
    EXPECT_STREQ(address, "");
    EXPECT_STREQ(port, "");
    EXPECT_EQ(m.Terminator(), kTerminatorCr);
    EXPECT_EQ(m.Timeout(), 500);
    EXPECT_STREQ(TransportDialogModel::kBaudRates[TransportDialogModel::kBaudRateSelection],
                 "9600");

    TransportSettings withAddress = Stored();
    withAddress.ipAddress = static_cast<int32_t>(0xC0A8010Au);  // 192.168.1.10
    withAddress.portNumber = 502;
    const TransportDialogModel a(withAddress);
    EXPECT_TRUE(a.UseIp());
    EXPECT_TRUE(a.AddressEnabled());
    a.AddressText(address);
    a.PortText(port);
    EXPECT_STREQ(address, "192.168.1.10");
    EXPECT_STREQ(port, "502");

    TransportSettings edited = Stored();  // an edited settings file
    edited.terminator = 7;
    edited.timeout = -3;
    const TransportDialogModel e(edited);
    EXPECT_EQ(e.Terminator(), kTerminatorCrLf);
    EXPECT_EQ(e.Timeout(), 0);
}

TEST(TransportDialogModel, TimeOutReadsAtMostFourLeadingDigits) {
    TransportDialogModel m(Stored());
    const std::pair<const char*, int32_t> cases[] = {{"12345", 1234}, {"9999", 9999}, {"", 0},
                                                     {"250ms", 250},  {"-5", 0},      {"0", 0}};
    for (auto [text, expected] : cases) {
        m.SetTimeoutText(text);
        EXPECT_EQ(m.Timeout(), expected) << text;
    }
    m.SelectTerminator(kTerminatorLf);
    m.SelectTerminator(-1);  // no selection keeps the last one
    m.SelectTerminator(4);
    EXPECT_EQ(m.Terminator(), kTerminatorLf);
}

TEST(TransportDialogModel, OkWritesOnlyTerminatorTimeOutAndAnAddressInUse) {
    TransportDialogModel m(Stored());
    m.SelectTerminator(kTerminatorLf);
    m.SetTimeoutText("750");
    TransportSettings target = Stored();
    target.ipAddress = 0;
    target.portNumber = 77;  // kept: no address is in use
    m.Apply(target);
    EXPECT_EQ(target.terminator, kTerminatorLf);
    EXPECT_EQ(target.timeout, 750);
    EXPECT_EQ(target.portNumber, 77);
    EXPECT_EQ(target.reserved, 5);
    EXPECT_EQ(target.parity, 2);
}

std::unique_ptr<WaveBuffer> ReportedWave() {
    auto w = std::make_unique<WaveBuffer>();
    CopyText(w->channel[0].input, "DC");
    CopyText(w->channel[0].range, "10V");
    w->channel[0].type = kTypeVoltage;
    CopyText(w->channel[1].input, "TEMP");
    CopyText(w->channel[1].range, "TC-K");
    w->channel[1].type = kTypeTemperature;
    CopyText(w->channel[2].input, "OFF");
    w->alarmOutUsed[0] = 1;
    w->alarmOutUsed[3] = 1;
    CopyText(w->samplingText, "100MS");
    return w;
}

TEST(ChannelPropertyModel, CopiesTheReportedTableAndGreysChannelsThatAreOff) {
    auto w = ReportedWave();
    ChannelPropertyModel m(*w);
    EXPECT_STREQ(m.ChannelText(0), " 1");
    EXPECT_STREQ(m.ChannelText(9), "10");
    EXPECT_STREQ(m.Input(1), "TEMP");
    EXPECT_STREQ(m.Range(1), "TC-K");
    EXPECT_FALSE(m.IsOff(0));
    EXPECT_TRUE(m.IsOff(2));
    EXPECT_TRUE(m.IsOff(9));
    EXPECT_TRUE(m.AlarmOutUsed(0));
    EXPECT_FALSE(m.AlarmOutUsed(2));
    EXPECT_TRUE(m.AlarmOutUsed(3));
    EXPECT_FALSE(m.AlarmOutUsed(4));
    EXPECT_STREQ(m.SamplingText(), "100MS");  // the logger's own text

    // The copy stays as it was until it is refreshed.
    w->channel[0].type = kTypeOff;
    CopyText(w->samplingText, "1S");
    EXPECT_FALSE(m.IsOff(0));
    m.Refresh(*w);
    EXPECT_TRUE(m.IsOff(0));
    EXPECT_STREQ(m.SamplingText(), "1S");

    EXPECT_EQ(ChannelPropertyModel::SharedColumnWidth(235), 100);
    EXPECT_EQ(ChannelPropertyModel::SharedColumnWidth(20), 0);
}

TEST(ChannelPropertyModel, QueryOnlyWhileNoPollRunsAndNoRecordingIsOpen) {
    auto w = ReportedWave();
    EXPECT_TRUE(ChannelPropertyModel(*w).QueryEnabled());
    w->noWait = 1;
    EXPECT_FALSE(ChannelPropertyModel(*w).QueryEnabled());
    w->noWait = 0;
    w->fileLoaded = 1;
    EXPECT_FALSE(ChannelPropertyModel(*w).QueryEnabled());
}

}  // namespace
}  // namespace velatrace
