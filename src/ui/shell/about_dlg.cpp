#include "ui/shell/about_dlg.h"

#include "ui/controls/gdiplus_img_ctrl.h"
#include "ui/controls/text_room.h"
#include "ui/shell/dialog_units.h"
#include "ui/shell/strings.h"
#include "ui/shell/version_info.h"

#include <QLabel>
#include <QPushButton>

namespace {
// Shown when the version data has no legal notice.
const char kTemplateNotice[] = "Copyright (C) Talvern";
}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent, const VersionTable& version) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const bool korean = IsKoreanUi();
    const DialogUnits du(font());
    setFixedSize(du.X(274), du.Y(81));
    setWindowTitle(UiText("CAboutDlg", "KESTOV-LV200 Manager Information"));

    m_logo = new GdiplusImgCtrl(this);
    m_logo->setObjectName(QStringLiteral("logo"));
    m_logo->setGeometry(du.Rect(12, 17, 95, 14));

    m_title = new QLabel(QStringLiteral("KESTOV-LV200 Manager"), this);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setTextFormat(Qt::PlainText);
    // As wide as the description below: the bold title with its version needs more than
    // the narrow template slot with this platform's fonts.
    m_title->setGeometry(du.Rect(122, 9, 147, 8));
    QFont bold = font();
    bold.setWeight(QFont::Bold);
    m_title->setFont(bold);

    m_copyright = new QLabel(QString::fromLatin1(kTemplateNotice), this);
    m_copyright->setObjectName(QStringLiteral("copyright"));
    m_copyright->setTextFormat(Qt::PlainText);
    m_copyright->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_copyright->setGeometry(korean ? du.Rect(59, 45, 156, 8) : du.Rect(9, 45, 256, 8));

    // "확인" on every system.
    m_ok = new QPushButton(QStringLiteral("확인"), this);
    m_ok->setGeometry(du.Rect(111, 61, 50, 14));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    m_description = new QLabel(
        UiText("CAboutDlg", "This program is a PC program for configuring KESTOV-LV200, LV210, LV220."), this);
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setTextFormat(Qt::PlainText);
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_description->setGeometry(du.Rect(122, 21, 147, 19));

    // Title and notice come from the version data, read anew for each showing.
    QString name;
    if (GetVersionString(QStringLiteral("ProductName"), name, version)) {
        QString number;
        m_title->setText(GetProductVersionText(number, version) ? QStringLiteral("%1 Ver %2").arg(name, number) : name);
    }
    QString notice;
    if (GetVersionString(QStringLiteral("LegalCopyright"), notice, version)) m_copyright->setText(notice);

    m_logo->LoadPngResource(143);
    text_room::GrowToFit(this);
    m_ok->setFocus();
}
