#include "ui/shell/strings.h"

#include "ops/rules/message_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <vector>

namespace {

int g_koreanOverride = -1;

QStringList KoreanCatalogues() {
    return QDir(QStringLiteral(":/i18n")).entryList({QStringLiteral("*_ko.qm")}, QDir::Files, QDir::Name);
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
    const char* english = MessageText(id);
    return english ? UiText("Strings", english) : QString();
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
