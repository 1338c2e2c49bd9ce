// Settings store: defaults, round trips, values of the wrong form, signed
// numbers, files written by Qt's own INI format, and files that are not
// settings at all.
#include "shell_fixture.h"

#include "ui/shell/plain_ini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <sys/stat.h>

#include <functional>

namespace {

using Settings = ShellTest;

// Texts that need escaping somewhere: the separators of the format, line
// breaks, quotes, a leading '@' (Qt's mark of a typed value), blanks at the
// ends, control characters, a hex digit right after one, non-ASCII.
const QStringList& AwkwardTexts() {
    static const QStringList texts = {
        QStringLiteral("key=value; more, and more"), QStringLiteral("C:\\path\\to\\file"),
        QStringLiteral("two\nlines\r\nand a tab\t."), QStringLiteral("\"quoted\" 'single'"),
        QStringLiteral("@Variant(not a variant)"), QStringLiteral("@@"), QStringLiteral("  padded  "),
        QString::fromUtf8("\x01" "A\x1f" "f\x7f"), QString(QChar(0)) + QStringLiteral("7 after NUL"),
        QStringLiteral("[Default%20Values]"), QStringLiteral("a/b\\c%41"), QStringLiteral(";starts a comment"),
        QString::fromUtf8("장치 이름 \xF0\x9F\x93\xA1 \xC3\xA9"), QStringLiteral("AT+CMD=1\r"),
        QString(), QStringLiteral(","),
    };
    return texts;
}

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

TEST_F(Settings, AnyTextRoundTripsAndStaysReadableByQtsOwnFormat) {
    for (const QString& text : AwkwardTexts()) {
        SCOPED_TRACE(text.toStdString());
        SettingsStore::WriteProfileString(SettingsStore::kNameFilterValue, text);
        EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kNameFilterValue, QStringLiteral("-")), text);
        // What earlier versions of the program read from our file.
        QSettings qt(IniPath(), QSettings::IniFormat);
        EXPECT_EQ(qt.value(QStringLiteral("Default Values/Name filter value")).toString(), text);
    }
}

TEST_F(Settings, FilesWrittenByQtsOwnFormatReadTheSame) {
    {
        QSettings qt(IniPath(), QSettings::IniFormat);
        for (qsizetype i = 0; i < AwkwardTexts().size(); ++i)
            qt.setValue(QStringLiteral("Default Values/text %1").arg(i), AwkwardTexts()[i]);
        qt.setValue(QStringLiteral("Default Values/Scan RSSI filter value"), -60);
        qt.setValue(QStringLiteral("Default Values/Application COM port"), QStringLiteral("/dev/ttyUSB0"));
        qt.setValue(QStringLiteral("top level"), QStringLiteral("kept"));
    }
    const QSettings::SettingsMap map = [&] {
        QFile f(IniPath());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return plain_ini::Parse(f.readAll());
    }();
    for (qsizetype i = 0; i < AwkwardTexts().size(); ++i)
        EXPECT_EQ(map.value(QStringLiteral("Default Values/text %1").arg(i)).toString(), AwkwardTexts()[i]) << i;
    EXPECT_EQ(map.value(QStringLiteral("top level")).toString(), QStringLiteral("kept"));
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kRssiFilterValue, -45), -60);
    EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kComPort, QString()), QStringLiteral("/dev/ttyUSB0"));
    // A write keeps the entries it does not touch.
    SettingsStore::WriteProfileInt(SettingsStore::kNameFilterCheck, 1);
    QSettings qt(IniPath(), QSettings::IniFormat);
    EXPECT_EQ(qt.value(QStringLiteral("Default Values/text 2")).toString(), AwkwardTexts()[2]);
    EXPECT_EQ(qt.value(QStringLiteral("top level")).toString(), QStringLiteral("kept"));
}

TEST_F(Settings, TypedValuesAreNeverDecoded) {
    // A list in a list in a list ... 30,000 deep: Qt's own format recurses
    // through it while reading any key of the section.
    QByteArray text = "[Default%20Values]\nName%20filter%20value=SEEN\nApplication%20parity=@Variant(";
    for (int i = 0; i < 30000; ++i) text += "\\0\\0\\0\\t\\0\\0\\0\\x1";
    text += "\\0\\0\\0\\x2\\0\\0\\0\\x5)\n"
            "Name%20filter%20check=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x1)\n"
            "RSSI%20filter%20check=@ByteArray(1)\n"
            "Scan%20RSSI%20filter%20value=-60, -70\n"
            "Application%20COM%20port=@@ttyS0\n";
    QFile f(IniPath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kNameFilterValue, QString()), QStringLiteral("SEEN"));
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kParity, 7), 7);
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kNameFilterCheck, 0), 0);
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kRssiFilterCheck, 0), 0);
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kRssiFilterValue, -45), -45);
    EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kComPort, QString()), QStringLiteral("@ttyS0"));
}

TEST_F(Settings, WhatIsNotASettingsFileGivesDefaultsWithoutBlocking) {
    const QString path = IniPath();
    const struct Case {
        const char* name;
        std::function<void()> make;
        bool saves;
    } cases[] = {
        {"fifo", [&] { ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0); }, false},
        {"directory", [&] { ASSERT_TRUE(QDir().mkdir(path)); }, false},
        {"over the size limit", [&] {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("[Default%20Values]\nName%20filter%20value=" +
                     QByteArray(plain_ini::kMaxFileBytes, 'A') + "\n");
         }, true},
        {"random bytes", [&] {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             QByteArray noise;
             quint32 x = 1;
             for (int i = 0; i < 100000; ++i) noise += static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
             f.write(noise);
         }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path);
        QDir().rmdir(path);
        c.make();
        EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kNameFilterValue, QStringLiteral("TALVERN")),
                  QStringLiteral("TALVERN"));
        SettingsStore::WriteProfileInt(SettingsStore::kRssiFilterValue, -61);
        EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kRssiFilterValue, -45), c.saves ? -61 : -45);
    }
    QFile::remove(path);
    QDir().rmdir(path);
}

TEST_F(Settings, TheUsersFileIsWhereQtsNativeFormatKeptIt) {
    SettingsStore::UseFile(QString());
    const QSettings native(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Talvern"),
                           QCoreApplication::applicationName());
    EXPECT_EQ(SettingsStore::FileName(), native.fileName());
}

}  // namespace
