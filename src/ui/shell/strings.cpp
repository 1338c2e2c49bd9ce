#include "ui/shell/strings.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <vector>

namespace {

struct StringEntry {
    int id;
    const char* english;
};

// English source texts; the Korean ones live in the translation file
// (context "Strings"). 114 reads the same in both languages.
const StringEntry kStrings[] = {
    {101, QT_TRANSLATE_NOOP("Strings", "KESTOV-LV200 Manager Info....")},
    {102, QT_TRANSLATE_NOOP("Strings", "COM port closed")},
    {103, QT_TRANSLATE_NOOP("Strings", "Ready")},
    {104, QT_TRANSLATE_NOOP("Strings", "Unable to open a COM port.")},
    {105, QT_TRANSLATE_NOOP("Strings",
            "This program is for the KESTOV-LV200 series only.\r\n"
            "Please check the product name, communication port, dial to set, etc. and try again.")},
    {106, QT_TRANSLATE_NOOP("Strings", "Error on COM port. Closing the port.")},
    {107, QT_TRANSLATE_NOOP("Strings", "Scan")},
    {108, QT_TRANSLATE_NOOP("Strings", "Stop")},
    {109, QT_TRANSLATE_NOOP("Strings", "Device name is too long.")},
    {110, QT_TRANSLATE_NOOP("Strings", "No device selected in the scanned devices list.")},
    {111, QT_TRANSLATE_NOOP("Strings", "Slot %d: Invalid Bluetooth address.")},
    {112, QT_TRANSLATE_NOOP("Strings", "Completed device name settings.")},
    {113, QT_TRANSLATE_NOOP("Strings", "Invalid advertising interval value.")},
    {114, "Slot %d: TAG 길이가 잘못되었습니다."},
    {115, QT_TRANSLATE_NOOP("Strings", "Completed Beacon settings.")},
    {116, QT_TRANSLATE_NOOP("Strings", "Failed device name settings.")},
    {117, QT_TRANSLATE_NOOP("Strings", "Failed beacon data settings")},
    {118, QT_TRANSLATE_NOOP("Strings", "Setting advertising interval has been Completed.")},
    {119, QT_TRANSLATE_NOOP("Strings", "Failed to save advertising interval.")},
    {120, QT_TRANSLATE_NOOP("Strings", "The device is already assigned to a slot.")},
    {121, QT_TRANSLATE_NOOP("Strings", "Duplicated Bluetooth addresses are assigned to slot")},
    {122, QT_TRANSLATE_NOOP("Strings", "Node (device) registration has been completed")},
    {123, QT_TRANSLATE_NOOP("Strings", "Failed to register node (device).")},
    {124, QT_TRANSLATE_NOOP("Strings", "HW flow control: Item not selected.")},
    {125, QT_TRANSLATE_NOOP("Strings", "Parity: Item not selected.")},
    {126, QT_TRANSLATE_NOOP("Strings", "Stopbit: Item not selected.")},
    {127, QT_TRANSLATE_NOOP("Strings", "Completed UART option settings.")},
    {128, QT_TRANSLATE_NOOP("Strings", "Failed UART option settings.")},
    {129, QT_TRANSLATE_NOOP("Strings", "Invalid name length in Scan filter.")},
    {132, QT_TRANSLATE_NOOP("Strings", "The hexadecimal string is not an even length.")},
    {133, QT_TRANSLATE_NOOP("Strings", "String is too long.")},
    {134, QT_TRANSLATE_NOOP("Strings", "The format of the hexadecimal string is incorrect.")},
    {135, QT_TRANSLATE_NOOP("Strings", "Beacon data is empty.")},
    {136, QT_TRANSLATE_NOOP("Strings", "Invalid RSSI filter value")},
    {137, QT_TRANSLATE_NOOP("Strings",
            "It seems like an unsupported device is attached. "
            "Please check the type of device you have connected and try again.")},
    {138, QT_TRANSLATE_NOOP("Strings", "Reset to factory settings. Are you sure you want to continue?")},
    {139, QT_TRANSLATE_NOOP("Strings", "Device Address")},
    {140, QT_TRANSLATE_NOOP("Strings", "Device Name")},
    {141, QT_TRANSLATE_NOOP("Strings", "RSSI")},
    {142, QT_TRANSLATE_NOOP("Strings", "The device name contains a character the module cannot take.")},
    {143, QT_TRANSLATE_NOOP("Strings", "The name in Scan filter contains a character the module cannot take.")},
    {144, QT_TRANSLATE_NOOP("Strings", "Slot %d: The TAG contains a character the module cannot take.")},
    {57664, QT_TRANSLATE_NOOP("Strings",
            "Company and product identification, a product release number, "
            "and copyright and trademark notification.\nInfo.")},
};

int g_koreanOverride = -1;

QStringList KoreanCatalogues() {
    return QDir(QStringLiteral(":/i18n")).entryList({QStringLiteral("*_ko.qm")}, QDir::Files,
                                                    QDir::Name);
}

// Translators owned here for the lookups of UiText; independent of what the
// application has installed, so the language can be chosen per call.
const std::vector<std::unique_ptr<QTranslator>>& PrivateTranslators() {
    static std::vector<std::unique_ptr<QTranslator>> list = [] {
        std::vector<std::unique_ptr<QTranslator>> out;
        for (const QString& name : KoreanCatalogues()) {
            auto t = std::make_unique<QTranslator>();
            if (t->load(QStringLiteral(":/i18n/") + name)) out.push_back(std::move(t));
        }
        return out;
    }();
    return list;
}

std::vector<QTranslator*>& InstalledTranslators() {
    static std::vector<QTranslator*> list;
    return list;
}

}  // namespace

bool IsKoreanLocale(const QStringList& uiLanguages, QLocale::Language language) {
    if (!uiLanguages.isEmpty()) {
        const QString first = uiLanguages.first();
        return first == QLatin1String("ko") || first.startsWith(QLatin1String("ko-")) ||
               first.startsWith(QLatin1String("ko_"));
    }
    return language == QLocale::Korean;
}

bool IsKoreanUi() {
    if (g_koreanOverride >= 0) return g_koreanOverride == 1;
    const QLocale sys = QLocale::system();
    return IsKoreanLocale(sys.uiLanguages(), sys.language());
}

void SetKoreanUiOverride(int v) { g_koreanOverride = v < 0 ? -1 : (v ? 1 : 0); }

QString UiText(const char* context, const char* source) {
    const QString english = QString::fromUtf8(source);
    if (!IsKoreanUi()) return english;
    for (const auto& t : PrivateTranslators()) {
        const QString ko = t->translate(context, source);
        if (!ko.isEmpty()) return ko;
    }
    return english;
}

QString LoadStringRes(int id) {
    for (const StringEntry& e : kStrings) {
        if (e.id == id) return UiText("Strings", e.english);
    }
    return QString();
}

void InstallTranslations(bool korean) {
    auto* app = QCoreApplication::instance();
    if (!app) return;
    for (QTranslator* t : InstalledTranslators()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    InstalledTranslators().clear();
    if (!korean) return;
    auto install = [app](const QString& name, const QString& dir) {
        auto* t = new QTranslator(app);
        if (t->load(name, dir) && QCoreApplication::installTranslator(t)) {
            InstalledTranslators().push_back(t);
        } else {
            delete t;
        }
    };
    for (const QString& name : KoreanCatalogues()) install(name, QStringLiteral(":/i18n"));
    // Qt's own texts: the standard buttons of message boxes and dialogs.
    install(QStringLiteral("qtbase_ko"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
