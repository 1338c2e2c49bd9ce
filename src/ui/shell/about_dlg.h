// The About box: product name and version, legal notice, maker's logo.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class GdiplusImgCtrl;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // The texts as shown (tests).
    QString TitleText() const;
    QString CopyrightText() const;
    QString DescriptionText() const;
    GdiplusImgCtrl* Logo() const { return m_logo; }

private:
    QLabel* m_title = nullptr;
    QLabel* m_copyright = nullptr;
    QLabel* m_description = nullptr;
    QPushButton* m_ok = nullptr;
    GdiplusImgCtrl* m_logo = nullptr;
};
