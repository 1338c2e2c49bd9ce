// The About box: product name and version, legal notice, maker logo.
#pragma once

#include <QDialog>

class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // For tests and the window title.
    QString TitleText() const;
    QString CopyrightText() const;

private:
    QLabel* m_title = nullptr;
    QLabel* m_copyright = nullptr;
};
