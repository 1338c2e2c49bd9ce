// Settings store: defaults, round trips, values of the wrong form, signed
// numbers, files written by Qt's own INI format, and files that are not
// settings at all.
#include "shell_fixture.h"

#include "link/file_io.h"
#include "ui/shell/plain_ini.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <functional>

namespace {

using Settings = ShellTest;

// Texts that need escaping somewhere: the separators of the format, line
// breaks, quotes, a leading '@' (Qt's mark of a typed value), blanks at the
// ends, control characters, a hex digit right after one, non-ASCII.
const QStringList& AwkwardTexts() {
    static const QStringList texts = {
        QStringLiteral("key=value; more, and more"),
        QStringLiteral("C:\\path\\to\\file"),
        QStringLiteral("two\nlines\r\nand a tab\t."),
        QStringLiteral("\"quoted\" 'single'"),
        QStringLiteral("@Variant(not a variant)"),
        QStringLiteral("@@"),
        QStringLiteral("  padded  "),
        QString::fromUtf8("\x01"
                          "A\x1f"
                          "f\x7f"),
        QString(QChar(0)) + QStringLiteral("7 after NUL"),
        QStringLiteral("[Default%20Values]"),
        QStringLiteral("a/b\\c%41"),
        QStringLiteral(";starts a comment"),
        QString::fromUtf8("장치 이름 \xF0\x9F\x93\xA1 \xC3\xA9"),
        QStringLiteral("AT+CMD=1\r"),
        QString(),
        QStringLiteral(","),
    };
    return texts;
}

TEST_F(Settings, MissingValuesGiveTheDefaults) {
    EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kComPort, QStringLiteral("COM1")), QStringLiteral("COM1"));
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kNameFilterCheck, 0), 0);
    EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kNameFilterValue, QStringLiteral("TALVERN")),
              QStringLiteral("TALVERN"));
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kRssiFilterValue, -45), -45);
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kBeaconFormat, 1082), 1082);
}

TEST_F(Settings, ValuesRoundTripAndLandInTheSectionAtOnce) {
    const struct {
        const char* key;
        int value;
    } ints[] = {
        {SettingsStore::kRssiFilterValue, -60}, {SettingsStore::kRssiFilterValue, -127},
        {SettingsStore::kNameFilterCheck, 1},   {SettingsStore::kBeaconFormat, 1083},
        {SettingsStore::kBaudRate, 115200},     {SettingsStore::kParity, INT32_MIN},
        {SettingsStore::kStopBit, INT32_MAX},
    };
    for (const auto& c : ints) {
        SettingsStore::WriteProfileInt(c.key, c.value);
        EXPECT_EQ(SettingsStore::GetProfileInt(c.key, 7), c.value) << c.key;
    }
    for (const QString& text : {QStringLiteral("/dev/ttyUSB0"), QString(), QStringLiteral("a,b; c=d"),
                                QStringLiteral("장치 이름"), QStringLiteral(" spaced ")}) {
        SettingsStore::WriteProfileString(SettingsStore::kNameFilterValue, text);
        EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kNameFilterValue, QStringLiteral("TALVERN")), text);
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
    int copies = 0;
    for (const QString& text : AwkwardTexts()) {
        SCOPED_TRACE(text.toStdString());
        SettingsStore::WriteProfileString(SettingsStore::kNameFilterValue, text);
        EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kNameFilterValue, QStringLiteral("-")), text);
        // What earlier versions of the program read from our file. Read from
        // a fresh copy: Qt caches a file by size and time, and two writes in
        // the same millisecond can have the same size.
        const QString copy = IniPath() + QStringLiteral(".%1.ini").arg(++copies);
        ASSERT_TRUE(QFile::copy(IniPath(), copy));
        QSettings qt(copy, QSettings::IniFormat);
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
    text +=
        "\\0\\0\\0\\x2\\0\\0\\0\\x5)\n"
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

// What the path holds, as far as a test can tell: its type and its bytes.
QByteArray Snapshot(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return "missing";
    if (!S_ISREG(st.st_mode)) return "type " + QByteArray::number(st.st_mode & S_IFMT);
    ::chmod(QFile::encodeName(path).constData(), 0600);
    QFile f(path);
    const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("unreadable");
    ::chmod(QFile::encodeName(path).constData(), st.st_mode & 07777);
    return bytes;
}

TEST_F(Settings, AFileThatCannotBeReadIsNeverWrittenOverAndTheSessionKeepsItsValues) {
    const QString path = IniPath();
    const bool root = ::geteuid() == 0;
    const struct Case {
        const char* name;
        std::function<void()> make;
        bool refused;  // kept as it is; the session's values in memory
    } cases[] = {
        {"fifo", [&] { ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0); }, true},
        {"directory", [&] { ASSERT_TRUE(QDir().mkdir(path)); }, true},
        {"over the size limit",
         [&] {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("[Default%20Values]\nName%20filter%20value=" + QByteArray(plain_ini::kMaxFileBytes, 'A') +
                     "\n[Other]\nmine=1\n");
         },
         true},
        {"unreadable",
         [&] {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("[Default%20Values]\nName%20filter%20value=HIDDEN\n[Other]\nmine=1\n");
             f.close();
             ::chmod(QFile::encodeName(path).constData(), 0200);
         },
         !root},
        {"random bytes",
         [&] {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             QByteArray noise;
             quint32 x = 1;
             for (int i = 0; i < 100000; ++i) noise += static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
             f.write(noise);
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsStore::UseFile(path);  // a new session
        QStringList notices;
        SettingsStore::OnNotice([&](const QString& text) { notices << text; });
        QFile::remove(path);
        QDir().rmdir(path);
        c.make();
        const QByteArray before = Snapshot(path);
        const QSettings::SettingsMap entriesBefore = plain_ini::Parse(before);
        if (c.refused) {
            EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kNameFilterValue, QStringLiteral("TALVERN")),
                      QStringLiteral("TALVERN"));
        }
        SettingsStore::WriteProfileInt(SettingsStore::kRssiFilterValue, -61);
        SettingsStore::WriteProfileString(SettingsStore::kComPort, QStringLiteral("/dev/ttyUSB1"));
        // The session sees what it wrote, whether the file took it or not.
        EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kRssiFilterValue, -45), -61);
        EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kComPort, QString()), QStringLiteral("/dev/ttyUSB1"));
        if (c.refused) {
            EXPECT_EQ(Snapshot(path), before) << "a file that could not be read was written over";
            // From now on the values live in memory only: a later write neither
            // touches the file nor is said again.
            SettingsStore::WriteProfileInt(SettingsStore::kRssiFilterCheck, 1);
            EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kRssiFilterCheck, 0), 1);
            EXPECT_EQ(Snapshot(path), before);
            ASSERT_EQ(notices.size(), 1) << "told once";
            EXPECT_TRUE(notices[0].contains(QStringLiteral("will not be saved"))) << notices[0].toStdString();
        } else {
            // Whatever happened to the file, nothing it held was lost.
            const QSettings::SettingsMap after = plain_ini::Parse(Snapshot(path));
            for (auto it = entriesBefore.cbegin(); it != entriesBefore.cend(); ++it) {
                if (it.key() == QStringLiteral("Default Values/Scan RSSI filter value") ||
                    it.key() == QStringLiteral("Default Values/Application COM port"))
                    continue;
                EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
            }
            EXPECT_LE(notices.size(), 1);
        }
        SettingsStore::OnNotice({});
        ::chmod(QFile::encodeName(path).constData(), 0600);
    }
    QFile::remove(path);
    QDir().rmdir(path);
}

TEST_F(Settings, AWriteCarriesEveryOtherByteThrough) {
    // Forms the reader skips, other sections, comments, odd spacing and CR LF.
    const QByteArray text =
        "; kept comment\r\n"
        "top=level\r\n"
        "[Default%20Values]\r\n"
        "Name%20filter%20value=old ; trailing comment\r\n"
        "Traffic%20command%20history=@ByteArray(AT\\0\\x1)\r\n"
        "Window%20geometry=@Rect(1 2 3 4)\r\n"
        "Scan%20list=a, b, \"c,d\"\r\n"
        "Oddly  =  spaced  \r\n"
        "\r\n"
        "[Other%20Program]\r\n"
        "list=1, 2, 3\r\n"
        "blob=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x4)\r\n";
    {
        QFile f(IniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    SettingsStore::WriteProfileString(SettingsStore::kNameFilterValue, QStringLiteral("new"));
    SettingsStore::WriteProfileInt(SettingsStore::kRssiFilterValue, -70);
    QFile f(IniPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray expected = text;
    expected.replace("Name%20filter%20value=old", "Name%20filter%20value=new");
    expected.replace("spaced  \r\n", "spaced  \r\nScan%20RSSI%20filter%20value=-70\r\n");
    EXPECT_EQ(f.readAll(), expected);
    EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kNameFilterValue, QString()), QStringLiteral("new"));
}

TEST_F(Settings, AFailedWriteKeepsTheFileAndTheSessionsValuesAndIsSaidOnce) {
    {
        QFile f(IniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Default%20Values]\nName%20filter%20value=kept\n");
    }
    QStringList notices;
    SettingsStore::OnNotice([&](const QString& text) { notices << text; });
    file_io::testing::SetWrite([](int, const void*, std::size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    });
    SettingsStore::WriteProfileString(SettingsStore::kNameFilterValue, QStringLiteral("lost"));
    SettingsStore::WriteProfileInt(SettingsStore::kRssiFilterValue, -70);
    file_io::testing::SetWrite(nullptr);
    SettingsStore::OnNotice({});
    EXPECT_EQ(SettingsStore::GetProfileString(SettingsStore::kNameFilterValue, QString()), QStringLiteral("lost"));
    EXPECT_EQ(SettingsStore::GetProfileInt(SettingsStore::kRssiFilterValue, 0), -70);
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(QStringLiteral("No space left on device"))) << notices[0].toStdString();
    QFile f(IniPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[Default%20Values]\nName%20filter%20value=kept\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{QStringLiteral("settings.ini")});
}

TEST_F(Settings, ANoticeFromBeforeTheHandlerIsHandedOver) {
    ASSERT_TRUE(QDir().mkdir(IniPath()));
    SettingsStore::WriteProfileInt(SettingsStore::kRssiFilterValue, -70);
    QStringList notices;
    SettingsStore::OnNotice([&](const QString& text) { notices << text; });
    SettingsStore::WriteProfileInt(SettingsStore::kRssiFilterValue, -71);
    SettingsStore::OnNotice({});
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].contains(QStringLiteral("folder"))) << notices[0].toStdString();
}

// The widget tests' configuration folder is a temporary one (see the test main).
TEST_F(Settings, TheUsersFileIsWhereQtsNativeFormatKeptIt) {
    SettingsStore::UseFile(QString());
    SettingsStore::WriteProfileString(SettingsStore::kNameFilterValue, QStringLiteral("native"));
    const QSettings native(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Talvern"),
                           QCoreApplication::applicationName());
    EXPECT_EQ(native.value(QStringLiteral("Default Values/Name filter value")).toString(), QStringLiteral("native"));
    EXPECT_TRUE(QFile::remove(native.fileName()));
}

}  // namespace
