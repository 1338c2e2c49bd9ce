// Settings store: defaults, round trips, values of the wrong form, signed numbers.
#include "shell_fixture.h"

#include <QSettings>

namespace {

using Settings = ShellTest;

TEST_F(Settings, MissingValuesGiveTheDefaults) {
    EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kComPort, QStringLiteral("COM1")),
              QStringLiteral("COM1"));
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kNameFilterCheck, 0), 0);
    EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kNameFilterValue, QStringLiteral("TALVERN")),
              QStringLiteral("TALVERN"));
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kRssiFilterValue, -45), -45);
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kBeaconFormat, 1082), 1082);
}

TEST_F(Settings, ValuesRoundTripAndLandInTheSectionAtOnce) {
    const struct { const char* key; int value; } ints[] = {
        {SettingsStore::kRssiFilterValue, -60}, {SettingsStore::kRssiFilterValue, -127},
        {SettingsStore::kNameFilterCheck, 1}, {SettingsStore::kBeaconFormat, 1083},
        {SettingsStore::kBaudRate, 115200}, {SettingsStore::kParity, INT32_MIN},
        {SettingsStore::kStopBit, INT32_MAX},
    };
    for (const auto& c : ints) {
        SettingsStore::WriteProfileInt(c.key, c.value);
        EXPECT_EQ(SettingsStore::GetProfileInt(c.key, 7), c.value) << c.key;
    }
    for (const QString& text : {QStringLiteral("/dev/ttyUSB0"), QString(), QStringLiteral("a,b; c=d"),
                                QStringLiteral("장치 이름"), QStringLiteral(" spaced ")}) {
        SettingsStore::WriteProfileString(SettingsStore::kNameFilterValue, text);
        EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kNameFilterValue,
                                                  QStringLiteral("TALVERN")), text);
    }
    // Written through to the file under the spelled key and section, not cached.
    QSettings file(IniPath(), QSettings::IniFormat);
    EXPECT_EQ(file.value(QStringLiteral("Default Values/Scan RSSI filter value")).toInt(), -127);
    EXPECT_EQ(file.value(QStringLiteral("Default Values/Application buadrate")).toInt(), 115200);
    file.setValue(QStringLiteral("Default Values/Application COM port"), QStringLiteral("/dev/ttyS3"));
    file.sync();
    EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kComPort, QStringLiteral("COM1")),
              QStringLiteral("/dev/ttyS3"));
}

TEST_F(Settings, ValuesThatAreNotNumbersGiveTheDefault) {
    QSettings file(IniPath(), QSettings::IniFormat);
    file.setValue(QStringLiteral("Default Values/Scan RSSI filter value"), QStringLiteral("minus ten"));
    file.setValue(QStringLiteral("Default Values/Name filter check"), QStringLiteral("99999999999"));
    file.setValue(QStringLiteral("Default Values/Beacon Adv. Data Format"), QStringList{"1", "2"});
    file.setValue(QStringLiteral("Default Values/Name filter value"), QStringList{"x", "y"});
    file.sync();
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kRssiFilterValue, -45), -45);
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kNameFilterCheck, 0), 0);
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kBeaconFormat, 1082), 1082);
    EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kNameFilterValue, QStringLiteral("TALVERN")),
              QStringLiteral("TALVERN"));
}

}  // namespace
