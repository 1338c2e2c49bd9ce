// File dialogs start where the last file of their kind was chosen.
#include "shell_fixture.h"

#include "ui/shell/file_dialog_seam.h"

#include <QDir>

namespace {

class FileDialogTest : public ShellTest {
protected:
    void TearDown() override {
        FileDialogSeam::SetHandler({});
        ShellTest::TearDown();
    }
    // Asks as the program does; the user answers `answer` (empty: cancel).
    QString Suggested(const QString& kind, const QString& name, const QString& answer) {
        QString seen;
        FileDialogSeam::SetHandler([&](QWidget*, const FileDialogSeam::Request& r) {
            seen = r.suggested;
            return answer;
        });
        FileDialogSeam::Ask(nullptr, {FileDialogSeam::Mode::Save, QStringLiteral("Save"), name, QString(), kind});
        return seen;
    }
};

TEST_F(FileDialogTest, EachKindStartsInItsLastFolderAndFirstInTheHomeFolder) {
    const QString home = QDir::homePath();
    const QString csvDir = dir.filePath(QStringLiteral("exports"));
    const QString jsonDir = dir.filePath(QStringLiteral("profiles"));
    ASSERT_TRUE(QDir().mkpath(csvDir));
    ASSERT_TRUE(QDir().mkpath(jsonDir));
    const QString csv = QStringLiteral("csv"), profile = QStringLiteral("profile");

    EXPECT_EQ(Suggested(csv, QStringLiteral("scan.csv"), csvDir + QStringLiteral("/mine.csv")),
              QDir(home).filePath(QStringLiteral("scan.csv")));
    EXPECT_EQ(Suggested(csv, QStringLiteral("scan.csv"), QString()), csvDir + QStringLiteral("/scan.csv"));
    // Cancelled: the folder stays.
    EXPECT_EQ(Suggested(csv, QStringLiteral("b.csv"), QString()), csvDir + QStringLiteral("/b.csv"));
    // Another kind keeps its own folder; an open dialog without a name gets the folder.
    EXPECT_EQ(Suggested(profile, QString(), jsonDir + QStringLiteral("/m.json")), home);
    EXPECT_EQ(Suggested(profile, QString(), QString()), jsonDir);
    EXPECT_EQ(Suggested(csv, QStringLiteral("scan.csv"), QString()), csvDir + QStringLiteral("/scan.csv"));
    // Remembered in the settings, so the next start begins there too.
    EXPECT_EQ(SettingsStore::GetProfileString("Last folder csv", QString()), csvDir);
    // A folder that is gone: home again.
    ASSERT_TRUE(QDir(csvDir).removeRecursively());
    EXPECT_EQ(Suggested(csv, QStringLiteral("scan.csv"), QString()), QDir(home).filePath(QStringLiteral("scan.csv")));
}

}  // namespace
