// The program's string table and the choice of user-interface language.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// Text of a string-table id (101..144, 57664) in the UI language; empty for an unknown id.
QString LoadStringRes(int id);
// Korean exactly when the system's UI language is Korean (or the test override says so).
bool IsKoreanUi();
// Tests: -1 = system rule, 0 = English, 1 = Korean.
void SetKoreanUiOverride(int v);
// Loads every :/i18n/*_ko.qm and Qt's own qtbase_ko.qm when korean, removes them otherwise
// (call after QApplication exists).
void InstallTranslations(bool korean);

// The rule itself: the first preferred UI language decides; without any, the locale's language.
bool IsKoreanLocale(const QStringList& uiLanguages, QLocale::Language language);
// A caption in the UI language chosen by IsKoreanUi(), whatever translators are installed:
// the Korean text from the embedded translations, the English source otherwise.
QString UiText(const char* context, const char* source);
