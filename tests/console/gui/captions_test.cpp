// Every caption an operator can see on a page stands whole in its control: check boxes and
// radio buttons, labels (wrapped ones in their height too) and push buttons, on every page,
// the pages whose tabs are hidden included.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include "operator.h"

namespace {

using Captions = Operator;

// The width of a caption as drawn: trailing blanks take no room on the screen.
int textWidth(const QWidget* w, const QString& text) {
    return w->fontMetrics().size(Qt::TextShowMnemonic, text.trimmed()).width();
}

// The room a check box or radio button leaves its text right of the indicator.
int textRoom(QAbstractButton* b) {
    QStyleOptionButton option;
    option.initFrom(b);
    option.rect = b->rect();
    option.text = b->text();
    const bool radio = qobject_cast<QRadioButton*>(b) != nullptr;
    return b->style()->subElementRect(radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents,
                                      &option, b).width();
}

TEST_F(Captions, EveryCaptionFitsItsControl) {
    for (int i = 0; i < form->PageControl1->count(); ++i) {
        QWidget* page = form->PageControl1->widget(i);
        form->setActivePage(i);
        QCoreApplication::processEvents();
        for (QWidget* w : page->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(page)) continue;
            const std::string where = page->objectName().toStdString() + " " + w->objectName().toStdString();
            if (auto* b = qobject_cast<QAbstractButton*>(w); b && !qobject_cast<QPushButton*>(w)) {
                EXPECT_LE(textWidth(b, b->text()), textRoom(b)) << where;
            } else if (auto* p = qobject_cast<QPushButton*>(w)) {
                EXPECT_LE(textWidth(p, p->text()), p->width() - 4) << where;
            } else if (auto* l = qobject_cast<QLabel*>(w); l && l->pixmap().isNull()) {
                if (l->wordWrap())
                    EXPECT_LE(l->heightForWidth(l->width()), l->height()) << where;
                else
                    EXPECT_LE(textWidth(l, l->text()), l->contentsRect().width()) << where;
            }
        }
    }
}

}  // namespace
