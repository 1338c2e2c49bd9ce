// Version lookup with its language fallback, and the About box texts.
#include "shell_fixture.h"

#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/shell/about_dlg.h"

#include <QLabel>
#include <QPushButton>

namespace {

using Version = ShellTest;

VersionTable TwoLanguageTable() {
    VersionTable t;
    t.productVersion[0] = 2;
    t.productVersion[1] = 10;
    t.productVersion[2] = 7;
    t.productVersion[3] = 3;
    t.translations = {{0x0409, 0x04B0}, {0x0412, 0x04B0}};
    t.stringTables[QStringLiteral("040904b0")] = {{QStringLiteral("ProductName"), QStringLiteral("English name")},
                                                  {QStringLiteral("CompanyName"), QStringLiteral("English co")}};
    t.stringTables[QStringLiteral("041204b0")] = {{QStringLiteral("ProductName"), QStringLiteral("Korean name")},
                                                  {QStringLiteral("LegalCopyright"), QStringLiteral("Korean notice")}};
    return t;
}

QString Lookup(const char* key, const VersionTable& table = BuiltInVersionTable()) {
    QString out = QStringLiteral("untouched");
    return GetVersionString(QString::fromLatin1(key), out, table) ? out : QStringLiteral("<none>");
}

// The About box's parts, by object name.
QString LabelText(const CAboutDlg& dlg, const char* name) {
    auto* label = dlg.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no label>");
}
QString TitleText(const CAboutDlg& dlg) { return LabelText(dlg, "title"); }
QString CopyrightText(const CAboutDlg& dlg) { return LabelText(dlg, "copyright"); }
QString DescriptionText(const CAboutDlg& dlg) { return LabelText(dlg, "description"); }
bool LogoShown(const CAboutDlg& dlg) {
    auto* logo = dlg.findChild<GdiplusImgCtrl*>(QStringLiteral("logo"));
    return logo && !logo->Picture().isNull();
}

TEST_F(Version, BuiltInValues) {
    for (int korean : {0, 1}) {
        SetKoreanUiOverride(korean);
        EXPECT_EQ(Lookup("ProductName"), QStringLiteral("KESTOV-LV200 Manager"));
        EXPECT_EQ(Lookup("CompanyName"), QStringLiteral("Talvern"));
        EXPECT_EQ(Lookup("ProductVersion"), QStringLiteral("1.4.2.0"));
        EXPECT_FALSE(Lookup("LegalCopyright").isEmpty());
        EXPECT_EQ(Lookup("NoSuchKey"), QStringLiteral("<none>"));
        QString v;
        ASSERT_TRUE(GetProductVersionText(v));
        EXPECT_EQ(v, QStringLiteral("1.4.2"));
    }
}

TEST_F(Version, SystemLanguageTableFirstThenTheFirstTranslation) {
    const VersionTable t = TwoLanguageTable();
    SetKoreanUiOverride(1);  // matches the second pair
    EXPECT_EQ(Lookup("ProductName", t), QStringLiteral("Korean name"));
    EXPECT_EQ(Lookup("LegalCopyright", t), QStringLiteral("Korean notice"));
    EXPECT_EQ(Lookup("CompanyName", t), QStringLiteral("English co"));  // missing: the first pair
    SetKoreanUiOverride(0);                                             // English system: the first pair matches
    EXPECT_EQ(Lookup("ProductName", t), QStringLiteral("English name"));
    EXPECT_EQ(Lookup("LegalCopyright", t), QStringLiteral("<none>"));  // not in the first pair either
    QString v;
    ASSERT_TRUE(GetProductVersionText(v, t));
    EXPECT_EQ(v, QStringLiteral("2.10.7"));  // the fourth field is dropped

    VersionTable none = TwoLanguageTable();
    none.translations.clear();
    EXPECT_EQ(Lookup("ProductName", none), QStringLiteral("<none>"));
}

TEST_F(Version, MissingVersionDataFailsBoth) {
    VersionTable absent = TwoLanguageTable();
    absent.present = false;
    VersionTable noFixed = TwoLanguageTable();
    noFixed.hasFixedInfo = false;
    for (const VersionTable* t : {&absent, &noFixed}) {
        QString out = QStringLiteral("kept");
        EXPECT_FALSE(GetVersionString(QStringLiteral("ProductName"), out, *t));
        EXPECT_FALSE(GetProductVersionText(out, *t));
        EXPECT_EQ(out, QStringLiteral("kept"));
    }
}

using About = ShellTest;

TEST_F(About, TitleAndNoticeFromTheVersionData) {
    CAboutDlg dlg;
    EXPECT_EQ(TitleText(dlg), QStringLiteral("KESTOV-LV200 Manager Ver 1.4.2"));
    QString notice;
    ASSERT_TRUE(GetVersionString(QStringLiteral("LegalCopyright"), notice));
    EXPECT_EQ(CopyrightText(dlg), notice);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("KESTOV-LV200 Manager Information"));
    EXPECT_EQ(DescriptionText(dlg),
              QStringLiteral("This program is a PC program for configuring KESTOV-LV200, LV210, LV220."));
    EXPECT_TRUE(LogoShown(dlg));
    auto* ok = dlg.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("확인"));
}

TEST_F(About, KoreanTexts) {
    SetKoreanUiOverride(1);
    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("KESTOV-LV200 Manager 정보"));
    EXPECT_EQ(DescriptionText(dlg),
              QStringLiteral("본 프로그램은 KESTOV-LV200, LV210, LV220 설정용 PC 프로그램입니다."));
    EXPECT_EQ(TitleText(dlg), QStringLiteral("KESTOV-LV200 Manager Ver 1.4.2"));
    EXPECT_EQ(dlg.findChild<QPushButton*>()->text(), QStringLiteral("확인"));
}

TEST_F(About, TemplateTextsWithoutVersionData) {
    VersionTable absent;
    absent.present = false;
    CAboutDlg dlg(nullptr, absent);
    EXPECT_EQ(TitleText(dlg), QStringLiteral("KESTOV-LV200 Manager"));
    EXPECT_FALSE(CopyrightText(dlg).isEmpty());
    EXPECT_TRUE(LogoShown(dlg)) << "the logo shows anyway";
}

TEST_F(About, ShowsWhateverTheVersionDataSays) {
    VersionTable t = TwoLanguageTable();
    SetKoreanUiOverride(1);
    CAboutDlg dlg(nullptr, t);
    EXPECT_EQ(TitleText(dlg), QStringLiteral("Korean name Ver 2.10.7"));
    EXPECT_EQ(CopyrightText(dlg), QStringLiteral("Korean notice"));
}

}  // namespace
