// String table and the language rule.
#include "shell_fixture.h"

#include "ops/rules/string_ids.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>

namespace {

using Strings = ShellTest;

TEST_F(Strings, EveryIdHasItsTextInBothLanguages) {
    const struct {
        int id;
        const char* english;
        const char* korean;
    } samples[] = {
        {IDS_ABOUTBOX, "KESTOV-LV200 Manager Info....", "KESTOV-LV200 Manager 정보..."},
        {IDS_COM_PORT_CLOSED, "COM port closed", "COM 포트 닫힘"},
        {IDS_NOT_LV200_SERIES,
         "This program is for the KESTOV-LV200 series only.\r\nPlease check the product name, "
         "communication port, dial to set, etc. and try again.",
         "이 프로그램은 KESTOV-LV200 시리즈 전용 프로그램입니다.\r\n제품명, 통신포트, 설정모드 다이얼 등을 "
         "확인하시고 다시 시도해주세요."},
        {IDS_SLOT_INVALID_ADDRESS, "Slot %d: Invalid Bluetooth address.", "Slot %d: 블루투스 주소가 잘못되었습니다."},
        {IDS_SLOT_INVALID_TAG, "Slot %d: TAG 길이가 잘못되었습니다.", "Slot %d: TAG 길이가 잘못되었습니다."},
        {IDS_UNSUPPORTED_DEVICE,
         "It seems like an unsupported device is attached. Please check the type of device you "
         "have connected and try again.",
         "지원하지 않는 장치입니다. 연결된 장치 종류를 확인하시고 다시 시도해 주세요."},
        {IDS_COL_RSSI, "RSSI", "RSSI"},
        {IDS_DEVICE_NAME_BAD_CHAR, "The device name contains a character the module cannot take.",
         "장치 이름에 모듈이 받을 수 없는 문자가 있습니다."},
        {IDS_FILTER_NAME_BAD_CHAR, "The name in Scan filter contains a character the module cannot take.",
         "Scan filter의 이름에 모듈이 받을 수 없는 문자가 있습니다."},
        {IDS_SLOT_TAG_BAD_CHAR, "Slot %d: The TAG contains a character the module cannot take.",
         "Slot %d: TAG에 모듈이 받을 수 없는 문자가 있습니다."},
        {IDS_DEVICE_NAME_COMMA,
         "The device name cannot contain a comma: the module's reply separates its fields with commas, "
         "so the name could not be read back.",
         "장치 이름에 쉼표(,)를 쓸 수 없습니다. 모듈의 응답은 항목을 쉼표로 구분하므로 이름을 다시 읽을 수 없습니다."},
        {IDS_FIELD_DONE, "%1 was set.", "%1 설정을 완료했습니다."},
        {IDS_FIELD_FAILED, "Failed setting %1.", "%1 설정에 실패했습니다."},
        {IDS_ABOUT_PROMPT,
         "Company and product identification, a product release number, and copyright and "
         "trademark notification.\nInfo.",
         "프로그램 정보, 버전 번호 및 저작권을 표시합니다.\n정보"},
    };
    for (const auto& s : samples) {
        SetKoreanUiOverride(0);
        EXPECT_EQ(LoadStringRes(s.id), QString::fromUtf8(s.english)) << s.id;
        SetKoreanUiOverride(1);
        EXPECT_EQ(LoadStringRes(s.id), QString::fromUtf8(s.korean)) << s.id;
    }
    for (int id = 101; id <= IDS_FIELD_FAILED; ++id) {
        const bool absent = id == 130 || id == 131;
        SetKoreanUiOverride(0);
        const QString en = LoadStringRes(id);
        SetKoreanUiOverride(1);
        const QString ko = LoadStringRes(id);
        EXPECT_EQ(en.isEmpty(), absent) << id;
        EXPECT_EQ(ko.isEmpty(), absent) << id;
        if (!absent && id != IDS_SLOT_INVALID_TAG && id != IDS_COL_RSSI) {
            EXPECT_NE(en, ko) << id << " has no Korean text";
        }
    }
    EXPECT_TRUE(LoadStringRes(IDS_FIELD_FAILED + 1).isEmpty());
}

TEST_F(Strings, KoreanExactlyWhenTheFirstUiLanguageIsKorean) {
    const struct {
        QStringList ui;
        QLocale::Language language;
        bool korean;
    } cases[] = {
        {{"ko-KR"}, QLocale::Korean, true},
        {{"ko"}, QLocale::English, true},
        {{"ko_KR", "en-US"}, QLocale::English, true},
        {{"en-US", "ko-KR"}, QLocale::Korean, false},  // Korean only second in preference
        {{"ja-JP"}, QLocale::Japanese, false},
        {{"de-DE"}, QLocale::German, false},
        {{"kok-IN"}, QLocale::Konkani, false},  // starts with "ko" but is not Korean
        {{}, QLocale::Korean, true},
        {{}, QLocale::English, false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsKoreanLocale(c.ui, c.language), c.korean) << c.ui.join(',').toStdString();

    SetKoreanUiOverride(-1);
    const QLocale sys = QLocale::system();
    EXPECT_EQ(IsKoreanUi(), IsKoreanLocale(sys.uiLanguages(), sys.language()));
    SetKoreanUiOverride(1);
    EXPECT_TRUE(IsKoreanUi());
    SetKoreanUiOverride(0);
    EXPECT_FALSE(IsKoreanUi());
}

TEST_F(Strings, InstalledTranslationsServeTrCalls) {
    InstallTranslations(true);
    EXPECT_EQ(QCoreApplication::translate("Strings", "Ready"), QStringLiteral("준비"));
    EXPECT_EQ(QCoreApplication::translate("ComConfigDlg", "COM Port"), QStringLiteral("통신 포트"));
    // Qt's own buttons in a message box speak Korean too.
    const auto buttonTexts = [] {
        QMessageBox box(QMessageBox::Question, QString(), QString(),
                        QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
        QStringList texts;
        for (auto b : {QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::No})
            texts << box.button(b)->text();
        return texts;
    };
    EXPECT_EQ(buttonTexts(), (QStringList{QString::fromUtf8("확인"), QString::fromUtf8("취소"),
                                          QString::fromUtf8("예(&Y)"), QString::fromUtf8("아니요(&N)")}));
    InstallTranslations(false);
    EXPECT_EQ(QCoreApplication::translate("Strings", "Ready"), QStringLiteral("Ready"));
    EXPECT_EQ(buttonTexts(), (QStringList{"OK", "Cancel", "&Yes", "&No"}));
}

}  // namespace
