// The program's string table and the choice of user-interface language.
#pragma once

#include <QString>

// Text of a string-table id (101..141, 57664) in the UI language; empty for an unknown id.
QString LoadStringRes(int id);
// Korean exactly when the system's UI language is Korean (or the test override says so).
bool IsKoreanUi();
// Tests: -1 = system rule, 0 = English, 1 = Korean.
void SetKoreanUiOverride(int v);
// Loads every :/i18n/*_ko.qm when korean, removes them otherwise (call after QApplication exists).
void InstallTranslations(bool korean);
