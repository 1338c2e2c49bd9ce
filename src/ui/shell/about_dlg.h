// The About box: product name and version, legal notice, maker's logo.
#pragma once

#include "ui/shell/version_info.h"

#include <QDialog>

class QLabel;
class QPushButton;
class GdiplusImgCtrl;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr, const VersionTable& version = BuiltInVersionTable());

private:
    QLabel* m_title = nullptr;
    QLabel* m_copyright = nullptr;
    QLabel* m_description = nullptr;
    QPushButton* m_ok = nullptr;
    GdiplusImgCtrl* m_logo = nullptr;
};
