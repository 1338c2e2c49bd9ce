#include "ui/controls/text_room.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <map>
#include <vector>

namespace text_room {
namespace {

constexpr const char* kSampleProperty = "textRoomSample";
constexpr int kLineEditTextRoom = 4;

// Where a style starts a combo box's text within its field: some pad it
// well beyond the field the style reports. Found once per style and font by
// drawing a letter, as no style metric tells it.
int ComboTextInset(const QComboBox* c, const QStyleOptionComboBox& base, const QRect& field) {
    static std::map<QString, int> known;
    const QString key = c->style()->name() + QLatin1Char('|') + c->font().key() + QLatin1Char('|') +
                        QString::number(base.rect.height());
    if (const auto it = known.find(key); it != known.end()) return it->second;
    if (base.rect.isEmpty()) return 0;
    QStyleOptionComboBox opt = base;
    opt.currentText = QStringLiteral("H");
    opt.currentIcon = QIcon();
    for (const auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
        opt.palette.setColor(role, Qt::black);
    QImage img(opt.rect.size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        c->style()->drawControl(QStyle::CE_ComboBoxLabel, &opt, &p, c);
    }
    int inset = 0;
    for (int x = 0; x < img.width() && inset == 0; ++x)
        for (int y = 0; y < img.height(); ++y)
            if (qGray(img.pixel(x, y)) < 128) {
                inset = std::max(0, x - field.x());
                break;
            }
    known[key] = inset;
    return inset;
}

QSize Need(const QSize& text, const QRect& room) {
    return QSize(std::max(0, text.width() - room.width()), std::max(0, text.height() - room.height()));
}

QSize ButtonShortfall(const QAbstractButton* b) {
    const QFontMetrics fm = b->fontMetrics();
    QSize text = fm.size(Qt::TextShowMnemonic, b->text());
    if (!b->icon().isNull()) {
        text.rwidth() += b->iconSize().width() + 4;
        text.setHeight(std::max(text.height(), b->iconSize().height()));
    }
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.icon = b->icon();
    opt.iconSize = b->iconSize();
    QStyle::SubElement element = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox*>(b))
        element = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<const QRadioButton*>(b))
        element = QStyle::SE_RadioButtonContents;
    else if (const auto* push = qobject_cast<const QPushButton*>(b); push && push->isDefault())
        opt.features |= QStyleOptionButton::DefaultButton;
    if (b->text().isEmpty() && b->icon().isNull()) return QSize(0, 0);
    return Need(text, b->style()->subElementRect(element, &opt, b));
}

QSize ComboShortfall(const QComboBox* c) {
    QStyleOptionComboBox opt;
    opt.initFrom(c);
    opt.editable = c->isEditable();
    opt.frame = c->hasFrame();
    const QRect field = c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
    const QFontMetrics fm = c->fontMetrics();
    // An editable list scrolls its text: only its height counts.
    int width = 0;
    if (!c->isEditable()) {
        for (int i = 0; i < c->count(); ++i) width = std::max(width, fm.horizontalAdvance(c->itemText(i)));
        if (width > 0) width += ComboTextInset(c, opt, field);
    }
    return Need(QSize(width, fm.height()), field);
}

QSize LineEditShortfall(const QLineEdit* e) {
    QStyleOptionFrame opt;
    opt.initFrom(e);
    opt.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e) : 0;
    const QRect room = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e);
    const QMargins m = e->textMargins();
    const QString sample = e->property(kSampleProperty).toString();
    // A line edit keeps a couple of pixels around its text and cursor.
    const int width = sample.isEmpty() ? 0 : e->fontMetrics().horizontalAdvance(sample) + kLineEditTextRoom;
    return Need(QSize(width, e->fontMetrics().height()), room.marginsRemoved(m));
}

QSize LabelShortfall(const QLabel* l) {
    if (l->text().isEmpty() || l->textFormat() == Qt::RichText) return QSize(0, 0);
    QRect room = l->contentsRect();
    const int margin = l->margin();
    room.adjust(margin, margin, -margin, -margin);
    if (l->wordWrap()) return QSize(0, std::max(0, l->heightForWidth(l->width()) - l->height()));
    // A label with a buddy shows its mnemonic underlined, without the '&'.
    return Need(l->fontMetrics().size(l->buddy() ? Qt::TextShowMnemonic : 0, l->text()), room);
}

struct Item {
    QWidget* w;
    QRect orig;  // before this pass
    QRect now;
    bool box;  // a group box: holds what lies inside it
};

// Controls of one row: of like height, each one's middle within the other.
bool RowMates(const Item& a, const Item& b) {
    if (a.box || b.box) return false;
    const QRect& p = a.orig;
    const QRect& q = b.orig;
    if (p.height() > 2 * q.height() || q.height() > 2 * p.height()) return false;
    const int mp = p.top() + p.height() / 2, mq = q.top() + q.height() / 2;
    return mp >= q.top() && mp <= q.bottom() && mq >= p.top() && mq <= p.bottom();
}

bool Holds(const Item& a, const Item& b) { return a.box && &a != &b && a.orig.contains(b.orig); }

// Pushes along one axis (x and widths, or y and heights) until every
// constraint holds: a group box keeps its margins around what it holds, what
// follows a control keeps its gap to it, and one row moves down as one.
// Constraints only push forward, so this ends; the bound guards against a
// layout whose constraints would chase each other.
constexpr int kMaxRounds = 1000;

void Solve(std::vector<Item>& items, bool horizontal) {
    auto pos = [horizontal](const QRect& r) { return horizontal ? r.x() : r.y(); };
    auto len = [horizontal](const QRect& r) { return horizontal ? r.width() : r.height(); };
    auto end = [&](const QRect& r) { return pos(r) + len(r); };
    auto across = [horizontal](const QRect& a, const QRect& b) {
        return horizontal ? (a.top() < b.bottom() + 1 && b.top() < a.bottom() + 1)
                          : (a.left() < b.right() + 1 && b.left() < a.right() + 1);
    };
    auto moveTo = [horizontal](QRect& r, int p) { horizontal ? r.moveLeft(p) : r.moveTop(p); };
    auto setLen = [horizontal](QRect& r, int l) { horizontal ? r.setWidth(l) : r.setHeight(l); };

    for (int round = 0; round < kMaxRounds; ++round) {
        bool changed = false;
        for (Item& a : items) {
            for (Item& b : items) {
                if (&a == &b) continue;
                if (Holds(a, b)) {
                    const int left = pos(a.now) + pos(b.orig) - pos(a.orig);
                    if (pos(b.now) < left) {
                        moveTo(b.now, left);
                        changed = true;
                    }
                    const int right = end(b.now) + end(a.orig) - end(b.orig);
                    if (end(a.now) < right) {
                        setLen(a.now, right - pos(a.now));
                        changed = true;
                    }
                    continue;
                }
                if (Holds(b, a)) continue;
                // Controls of one row move down together: the row stays lined up.
                if (!horizontal && RowMates(a, b)) {
                    const int least = pos(b.orig) + pos(a.now) - pos(a.orig);
                    if (pos(b.now) < least) {
                        moveTo(b.now, least);
                        changed = true;
                    }
                    continue;
                }
                if (pos(b.orig) < end(a.orig)) continue;
                // Sideways, what shares the row's height follows; downwards, what
                // shares the column as placed after the sideways pass.
                if (!across(horizontal ? a.orig : a.now, horizontal ? b.orig : b.now)) continue;
                const int least = end(a.now) + pos(b.orig) - end(a.orig);
                if (pos(b.now) < least) {
                    moveTo(b.now, least);
                    changed = true;
                }
            }
        }
        if (!changed) return;
    }
}

}  // namespace

void SetSampleText(QWidget* lineEdit, const QString& sample) { lineEdit->setProperty(kSampleProperty, sample); }

QSize Shortfall(const QWidget* w) {
    if (const auto* b = qobject_cast<const QAbstractButton*>(w)) return ButtonShortfall(b);
    if (const auto* c = qobject_cast<const QComboBox*>(w)) return ComboShortfall(c);
    if (const auto* e = qobject_cast<const QLineEdit*>(w)) return LineEditShortfall(e);
    if (const auto* l = qobject_cast<const QLabel*>(w)) return LabelShortfall(l);
    return QSize(0, 0);
}

void GrowToFit(QWidget* container) {
    std::vector<Item> items;
    bool anyShort = false;
    for (QWidget* w : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isWindow() || w->isHidden()) continue;
        w->ensurePolished();  // the style sets fonts and margins when it polishes
        Item item{w, w->geometry(), w->geometry(), qobject_cast<QGroupBox*>(w) != nullptr};
        const QSize need = Shortfall(w);
        if (!need.isNull()) {
            item.now.setSize(item.now.size() + need);
            anyShort = true;
        }
        items.push_back(item);
    }
    if (!anyShort) return;
    // Widths first: a control that grows sideways may then share a column
    // with what lies below it.
    const std::vector<QSize> grown = [&] {
        std::vector<QSize> sizes;
        for (const Item& i : items) sizes.push_back(i.now.size());
        return sizes;
    }();
    for (Item& i : items) i.now.setHeight(i.orig.height());
    Solve(items, true);
    for (std::size_t n = 0; n < items.size(); ++n)
        items[n].now.setHeight(std::max(items[n].now.height(), grown[n].height()));
    Solve(items, false);

    QSize size = container->size();
    for (const Item& i : items) {
        if (i.now != i.orig) i.w->setGeometry(i.now);
        const int right = container->width() - (i.orig.x() + i.orig.width());
        const int bottom = container->height() - (i.orig.y() + i.orig.height());
        size = size.expandedTo(
            QSize(i.now.x() + i.now.width() + std::max(0, right), i.now.y() + i.now.height() + std::max(0, bottom)));
    }
    if (size == container->size()) return;
    const bool fixed = container->minimumSize() == container->maximumSize();
    if (fixed)
        container->setFixedSize(size);
    else
        container->resize(size);
}

}  // namespace text_room
